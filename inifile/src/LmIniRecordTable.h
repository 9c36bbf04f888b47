// The fields of the parameter record: key, type, place and default, and the
// order in which the record writer puts them into a file.
#pragma once

#include <LmIni.h>

#include <cstddef>
#include <string>
#include <vector>

namespace lmini {

enum class FieldType { Int32, Double, Text };

struct Field {
    std::string key;
    FieldType type;
    size_t offset;   // of the value in LmIniRecord
    size_t size;     // bytes of a text field, terminating zero included
    double number;   // default of a number field
    const char* text; // default of a text field
    bool point = false; // one entry of a point table
};

// Every field of the record in record order; point entries k = 1 … 16 of the
// eight tables each have their own entry ("fP001-X1" …).
const std::vector<Field>& RecordFields();

// The field of a key as LmIniRead recognises it (point keys for points 1 … 8
// only), or nullptr.
const Field* FindReadableField(const std::string& key);

// One step of the writer: a plain field, or the point lines of one group
// (four lines per point, k = 1 … the group's count).
struct WriteStep {
    const Field* field; // nullptr for a point group
    int pointGroup;     // 0: fP (count lFftpNo), 1: fEP (count lFftEpNo)
};
const std::vector<WriteStep>& WriteOrder();

// The point key "fP%.3d-X1" style: prefix "fP"/"fEP", point 1 … 16, column
// 0 … 3 for X1, X2, Y1, Y2.
std::string PointKey(int group, int point, int column);
// The field of one point entry.
const Field& PointField(int group, int point, int column);

} // namespace lmini
