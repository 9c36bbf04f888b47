// Binding of the parameter record (LmIni) to the analysis state, both ways.
#include <cstring>

#include "AnalysisState.h"
#include "NumberText.h"
#include "TextIds.h"
#include "WaveFile.h"

namespace kr70 {
namespace {

void CopyText(char* field, size_t size, const std::string& text) {
    const size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

// Doubles taken from a record are rounded to the six decimals of "%f".
double ThroughF(double value) { return RoundThroughText("%f", value); }

const char* FilterCaseName(int32_t type, int32_t kindSelection) {
    const int32_t kind = type == kFilterNone ? kindSelection : type;
    switch (kind) {
        case kFilterHpf:
            return "HPF";
        case kFilterBpf:
            return "BPF";
        case kFilterBef:
            return "BEF";
        default:
            return "LPF";
    }
}

}  // namespace

uint32_t AnalysisState::BindingSamplingFrequency() const {
    if (settings_.acquisitionChanged != 0) {
        if (raw_.GetSampFreq() != 0) {
            return raw_.GetSampFreq();
        }
        const uint32_t recorder = recorderSamplingFrequency_ ? recorderSamplingFrequency_() : 0;
        if (recorder != 0) {
            return recorder;
        }
    }
    return settings_.samplingFrequency;
}

void AnalysisState::FillParameterRecord(LmIniRecord& record) {
    LmIniRecord filled;
    if (!settings_.parameterFile.empty()) {
        if (LmIniRead(settings_.parameterFile.c_str(), &filled) != LMINI_OK) {
            // The current settings are still written, over the defaults.
            Warn(kTextParameterFileNotRead);
            settings_.parameterFile.clear();
            LmIniInit(&filled);
        }
    } else {
        LmIniInit(&filled);
    }
    const AnalysisSettings& s = settings_;
    uint32_t samplingFrequency = s.samplingFrequency;
    if (s.acquisitionChanged != 0 && recorderSamplingFrequency_) {
        const uint32_t recorder = recorderSamplingFrequency_();
        if (recorder != 0) {
            samplingFrequency = recorder;
        }
    }
    filled.lSmpFreq = static_cast<int32_t>(samplingFrequency);
    filled.lSmpPitch = static_cast<int32_t>(s.samplingPitch);
    filled.lFltPara1 = s.yuragiParameter[0];
    filled.lFltPara2 = s.yuragiParameter[1];
    filled.lFltPara3 = s.yuragiParameter[2];
    filled.lFltPara4 = s.yuragiParameter[3];
    filled.lFltGO = s.filterType != kFilterNone ? 1 : 0;
    CopyText(filled.cFltCase, sizeof filled.cFltCase, FilterCaseName(s.filterType, s.filterKindSelection));
    filled.lFltLng = static_cast<int32_t>(s.filterTaps);
    filled.lSyaDanFreq = static_cast<int32_t>(s.lowerFrequency);
    filled.lTukaTaiMin = static_cast<int32_t>(s.lowerFrequency);
    filled.lBosiTaiMin = static_cast<int32_t>(s.lowerFrequency);
    filled.lTukaTaiMax = static_cast<int32_t>(s.upperFrequency);
    filled.lBosiTaiMax = static_cast<int32_t>(s.upperFrequency);
    filled.llnSmpPitch = s.squareMeanPitch;
    filled.lHeikatu = s.smoothingLength;
    filled.fPeekSikii = s.peakThreshold;
    filled.fPSikiiLow = s.peakThreshold;
    filled.fPSikiiMen = s.peakThreshold;
    filled.fPSikiiUpp = 9999999999.0;
    filled.lSOUflg = 0;
    filled.lPeekAnaGo = s.peakAnalysisFlag != 0 ? 1 : 0;
    filled.lPeekSmpPitch = s.peakPitch;
    filled.lPeekKukanWW = s.peakWidth;
    filled.lHanteiWW = s.judgementWidth;
    filled.fMenSikii = s.judgementThreshold;
    filled.lOMOUflg = s.invertedJudgement;
    filled.fSikiiOverMen = s.passThreshold;
    CopyText(filled.cSaveFile, sizeof filled.cSaveFile, FormatC("%s-%03d", s.fileStem.c_str(), s.fileNumber));
    filled.fDataGetTime = s.acquisitionTimeMs;
    filled.lExtIntUse = 0;
    filled.lSeikiGo = s.normalizeFlag;
    if (pageRecordHook_) {
        pageRecordHook_(filled);
    }
    if (boardKind_ - 1 < 0) {
        filled.lAdSbFlg = 0;
        filled.lAdChNo = 1;
    } else {
        filled.lAdSbFlg = boardKind_ - 1;
        filled.lAdChNo = s.channel;
    }
    LmIniMove(&filled, &parameterRecord_);
    LmIniMove(&filled, &record);
}

int32_t AnalysisState::LoadAndApplyParameters(int32_t* iniStatus) {
    LmIniRecord loaded;
    int32_t status = LMINI_OK;
    if (!settings_.parameterFile.empty()) {
        status = LmIniRead(settings_.parameterFile.c_str(), &loaded);
    } else {
        LmIniInit(&loaded);
    }
    if (iniStatus != nullptr) {
        *iniStatus = status;
    }
    if (status != LMINI_OK) {
        Warn(kTextParameterFileNotRead);
        settings_.parameterFile.clear();
        return 0;
    }
    LmIniMove(&loaded, &parameterRecord_);
    ApplyParameterRecord(parameterRecord_);
    return 1;
}

int32_t AnalysisState::OpenParameterFile(const std::string& path, int32_t* iniStatus) {
    settings_.parameterFile = Trim(path);
    return LoadAndApplyParameters(iniStatus);
}

void AnalysisState::ApplyParameterRecord(const LmIniRecord& record) {
    AnalysisSettings& s = settings_;
    // A pitch outside the dialog's range would divide by zero or wrap.
    if (record.lSmpPitch >= 1 && record.lSmpPitch <= 65535) {
        s.samplingPitch = static_cast<uint32_t>(record.lSmpPitch);
    }
    const uint32_t samplingFrequency = BindingSamplingFrequency();
    s.effectiveSamplingFrequency = samplingFrequency / s.samplingPitch;

    // The yuragi filter follows the record; parameters the library rejects
    // leave the previous ones (and their filter) in force.
    const int32_t previous[4] = {s.yuragiParameter[0], s.yuragiParameter[1], s.yuragiParameter[2],
                                 s.yuragiParameter[3]};
    if (yuragiFilter_.SetParamEx(record.lFltPara1, static_cast<uint32_t>(record.lFltPara2),
                                 static_cast<uint32_t>(record.lFltPara3),
                                 static_cast<uint32_t>(record.lFltPara4)) == WA_OK) {
        s.yuragiParameter[0] = record.lFltPara1;
        s.yuragiParameter[1] = record.lFltPara2;
        s.yuragiParameter[2] = record.lFltPara3;
        s.yuragiParameter[3] = record.lFltPara4;
    } else {
        Warn(kTextSettingRejected);
        yuragiFilter_.SetParamEx(previous[0], static_cast<uint32_t>(previous[1]),
                                 static_cast<uint32_t>(previous[2]), static_cast<uint32_t>(previous[3]));
    }

    const std::string filterCase = record.cFltCase;
    const uint32_t halfBand = s.effectiveSamplingFrequency / 2 - 1;
    if (filterCase == "HPF") {
        s.filterKindSelection = kFilterHpf;
        s.lowerFrequency = static_cast<uint32_t>(record.lSyaDanFreq);
        s.upperFrequency = halfBand;
    } else if (filterCase == "BPF") {
        s.filterKindSelection = kFilterBpf;
        s.lowerFrequency = static_cast<uint32_t>(record.lTukaTaiMin);
        s.upperFrequency = static_cast<uint32_t>(record.lTukaTaiMax);
    } else if (filterCase == "BEF") {
        s.filterKindSelection = kFilterBef;
        s.lowerFrequency = static_cast<uint32_t>(record.lBosiTaiMin);
        s.upperFrequency = static_cast<uint32_t>(record.lBosiTaiMax);
    } else {
        s.filterKindSelection = kFilterLpf;
        s.lowerFrequency = static_cast<uint32_t>(record.lSyaDanFreq);
        s.upperFrequency = halfBand;
    }
    s.filterType = record.lFltGO == 0 ? kFilterNone : s.filterKindSelection;
    s.filterTaps = static_cast<uint32_t>(record.lFltLng);

    s.squareMeanPitch = record.llnSmpPitch;
    s.smoothingLength = record.lHeikatu;
    s.peakThreshold = ThroughF(record.fPSikiiMen);
    s.passThreshold = ThroughF(record.fSikiiOverMen);
    s.invertedJudgement = record.lOMOUflg;
    s.peakAnalysisFlag = record.lPeekAnaGo != 0 ? 1 : 0;
    s.peakPitch = record.lPeekSmpPitch;
    s.peakWidth = record.lPeekKukanWW;
    s.judgementWidth = record.lHanteiWW;
    s.judgementThreshold = ThroughF(record.fMenSikii);

    if (s.samplingFrequency != 0) {
        s.recordBufferTimeMs =
            static_cast<int32_t>(static_cast<double>(s.dataPoints) / s.samplingFrequency * 2000.0);
    }
    if (boardKind_ == 1) {
        s.channel = 1;
    }
    // Settings the library cannot design for this rate stay stored, but the
    // filter passes the data through until a rate suits them.
    if (RebuildFreqFilter(s.effectiveSamplingFrequency) != WA_OK) {
        Warn(kTextSettingRejected);
    }
}

}  // namespace kr70
