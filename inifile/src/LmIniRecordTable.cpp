#include "LmIniRecordTable.h"

#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace lmini {
namespace {

#define LMINI_L(name, value) \
    Field{#name, FieldType::Int32, offsetof(LmIniRecord, name), sizeof(int32_t), value, nullptr}
#define LMINI_F(name, value) \
    Field{#name, FieldType::Double, offsetof(LmIniRecord, name), sizeof(double), value, nullptr}
#define LMINI_T(name, value) \
    Field{#name, FieldType::Text, offsetof(LmIniRecord, name), sizeof(LmIniRecord::name), 0, value}

// The fields up to and including lFftpNo, those between the two point groups,
// and those after the second group, in record order.
const std::initializer_list<Field> kHead = {
    LMINI_L(lSmpFreq, 22050), LMINI_L(lSmpPitch, 1), LMINI_L(lFltPara1, 1),
    LMINI_L(lFltPara2, 1), LMINI_L(lFltPara3, 1), LMINI_L(lFltPara4, 0),
    LMINI_L(lFltGO, 0), LMINI_T(cFltCase, "LPF"), LMINI_L(lFltLng, 128),
    LMINI_L(lSyaDanFreq, 1), LMINI_L(lTukaTaiMin, 1), LMINI_L(lTukaTaiMax, 11024),
    LMINI_L(lBosiTaiMin, 1), LMINI_L(lBosiTaiMax, 11024), LMINI_L(llnSmpPitch, 1),
    LMINI_L(lHeikatu, 1), LMINI_F(fPeekSikii, 1.0), LMINI_L(lPeekAnaGo, 0),
    LMINI_L(lPeekSmpPitch, 1), LMINI_L(lPeekKukanWW, 2), LMINI_L(lHanteiWW, 10),
    LMINI_F(fMenSikii, 1.0), LMINI_T(cSaveFile, "LumData"), LMINI_F(fDataGetTime, 100.0),
    LMINI_L(lExtIntUse, 1), LMINI_L(lLimitFlg, 0), LMINI_L(lLimitMin, 1000),
    LMINI_L(lLimitMax, 2000), LMINI_L(lSeikiGo, 0), LMINI_F(fGetWaveDspMin, -2.0),
    LMINI_F(fGetWaveDspMax, 2.0), LMINI_F(fYuragiWaveDspMin, -2.0),
    LMINI_F(fYuragiWaveDspMax, 2.0), LMINI_L(lWaveRangeMin, 0), LMINI_L(lWaveRangeMax, 0),
    LMINI_L(lGetSpectDspMin, -50), LMINI_L(lYuragiSpectDspMin, -50),
    LMINI_L(lPowerSpectUse, 1), LMINI_L(lSpectDspMin, 10), LMINI_L(lSpectDspMax, 10),
    LMINI_L(lDefSpectDspMind, -50), LMINI_L(lDefSpectUse, 1), LMINI_L(lDefSpectDspMin, -10),
    LMINI_L(lDefSpectDspMax, -10), LMINI_F(f2AveDspMax, 2.0), LMINI_F(fPeekDspMax, 2.0),
    LMINI_L(lNgLimitNo, 3), LMINI_F(fSikiiOverTime, 100.0), LMINI_F(fMinGifHi, 0.0),
    LMINI_F(fMaxGifHi, 0.0), LMINI_L(lFltPara2Low, 1), LMINI_F(fMinGifLow, 0.0),
    LMINI_F(fMaxGifLow, 0.0), LMINI_L(lAndJugF, 0), LMINI_L(lOrJugF, 1),
    LMINI_L(lAOJugF, 0), LMINI_L(lAOFlg, 1), LMINI_L(lSOUflg, 0),
    LMINI_F(fPSikiiUpp, 1.0), LMINI_F(fPSikiiLow, 0.0), LMINI_L(lNgOUflg, 0),
    LMINI_F(fPSikiiNoUpp, 1.0), LMINI_F(fPSikiiNoLow, 0.0), LMINI_L(lOTOUflg, 0),
    LMINI_F(fPSikiiTimeUpp, 1.0), LMINI_F(fPSikiiTimeLow, 0.0), LMINI_L(lFPOUflg, 0),
    LMINI_L(lFftpNo, 0),
};
const std::initializer_list<Field> kMiddle = {
    LMINI_L(lFPEOUflg, 0), LMINI_L(lFftRank, 1), LMINI_L(lFftEpNo, 0),
};
const std::initializer_list<Field> kTail = {
    LMINI_L(lGTOUflg, 0), LMINI_L(lGenFlg, 0), LMINI_F(fGenTSikii, 1.0),
    LMINI_F(fGenTPer, 99.0), LMINI_F(fGenTime, 0.0), LMINI_L(lGAOUflg, 0),
    LMINI_F(fGenAPerUpp, 100.0), LMINI_F(fGenAPerLow, 1.0), LMINI_F(fGenA, 0.0),
    LMINI_L(lUMOUflg, 0), LMINI_L(lUnaflg, 0), LMINI_F(lUnaP1, 1.0),
    LMINI_F(fUnaT1, 0.0), LMINI_F(fUnaT2, 1.0), LMINI_F(fUnaMen, 0.0),
    LMINI_L(lFMOUflg, 0), LMINI_L(lFukuflg, 1), LMINI_F(fFukuT1, 0.0),
    LMINI_F(fFukuT2, 1.0), LMINI_F(fFukuMen, 0.0), LMINI_L(lFAOUflg, 0),
    LMINI_F(fFftP1, 100.0), LMINI_F(fFftP2, 1000.0), LMINI_F(fFftA, 0.0),
    LMINI_L(lOMOUflg, 0), LMINI_F(fPSikiiMen, 1.0), LMINI_F(fSikiiOverMen, 1.0),
    LMINI_L(lAdSbFlg, 0), LMINI_L(lAdChNo, 1), LMINI_T(cMemo, ""),
};

#undef LMINI_L
#undef LMINI_F
#undef LMINI_T

// Offsets of the four tables of each point group: X1, X2, Y1, Y2.
const size_t kPointTables[2][4] = {
    {offsetof(LmIniRecord, fPX1), offsetof(LmIniRecord, fPX2),
     offsetof(LmIniRecord, fPY1), offsetof(LmIniRecord, fPY2)},
    {offsetof(LmIniRecord, fEPX1), offsetof(LmIniRecord, fEPX2),
     offsetof(LmIniRecord, fEPY1), offsetof(LmIniRecord, fEPY2)},
};

// Index of each point entry's field in the field list.
struct Tables {
    std::vector<Field> fields;
    size_t pointIndex[2][4][LMINI_POINTS];
    std::unordered_map<std::string, const Field*> readable;
    std::vector<WriteStep> writeOrder;
};

void AppendPointGroup(Tables& t, int group)
{
    for (int column = 0; column < 4; ++column) {
        for (int point = 1; point <= LMINI_POINTS; ++point) {
            t.pointIndex[group][column][point - 1] = t.fields.size();
            t.fields.push_back(Field{PointKey(group, point, column), FieldType::Double,
                                     kPointTables[group][column] + sizeof(double) * size_t(point - 1),
                                     sizeof(double), 0.0, nullptr, true});
        }
    }
}

// The writer follows the record order except at the end, where the board
// fields come before the judgement fields: these are its last six keys.
const char* const kWriteLast[] = {
    "lAdSbFlg", "lAdChNo", "fPSikiiMen", "lOMOUflg", "fSikiiOverMen", "cMemo",
};

Tables BuildTables()
{
    Tables t;
    t.fields.reserve(kHead.size() + kMiddle.size() + kTail.size() + 8 * LMINI_POINTS);
    t.fields.insert(t.fields.end(), kHead.begin(), kHead.end());
    AppendPointGroup(t, 0);
    t.fields.insert(t.fields.end(), kMiddle.begin(), kMiddle.end());
    AppendPointGroup(t, 1);
    t.fields.insert(t.fields.end(), kTail.begin(), kTail.end());

    std::unordered_map<std::string, const Field*> all;
    for (const Field& field : t.fields) all.emplace(field.key, &field);
    t.readable = all;
    for (int group = 0; group < 2; ++group)
        for (int column = 0; column < 4; ++column)
            for (int point = LMINI_POINTS_READ + 1; point <= LMINI_POINTS; ++point)
                t.readable.erase(PointKey(group, point, column));

    // Plain fields in record order, a marker where each point group begins,
    // the last six keys in the writer's own order.
    const std::unordered_set<std::string> last(std::begin(kWriteLast), std::end(kWriteLast));
    for (const Field& field : t.fields) {
        if (field.offset == kPointTables[0][0]) t.writeOrder.push_back(WriteStep{nullptr, 0});
        if (field.offset == kPointTables[1][0]) t.writeOrder.push_back(WriteStep{nullptr, 1});
        if (!field.point && !last.count(field.key)) t.writeOrder.push_back(WriteStep{&field, 0});
    }
    for (const char* name : kWriteLast) t.writeOrder.push_back(WriteStep{all.at(name), 0});
    return t;
}

const Tables& GetTables()
{
    static const Tables tables = BuildTables();
    return tables;
}

} // namespace

const std::vector<Field>& RecordFields() { return GetTables().fields; }

const Field* FindReadableField(const std::string& key)
{
    const auto& readable = GetTables().readable;
    auto found = readable.find(key);
    return found == readable.end() ? nullptr : found->second;
}

const std::vector<WriteStep>& WriteOrder() { return GetTables().writeOrder; }

std::string PointKey(int group, int point, int column)
{
    static const char* const kColumns[4] = {"X1", "X2", "Y1", "Y2"};
    char key[32];
    std::snprintf(key, sizeof key, "%s%.3d-%s", group == 0 ? "fP" : "fEP", point,
                  kColumns[column & 3]);
    return key;
}

const Field& PointField(int group, int point, int column)
{
    const Tables& t = GetTables();
    return t.fields[t.pointIndex[group & 1][column & 3][point - 1]];
}

} // namespace lmini
