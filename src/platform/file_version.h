#pragma once

#include <QString>

// The file version lives in a record of its own in the executable: a section
// of this name holding kFileVersionMagic followed by the four numbers (major,
// minor, release, build), each a 16-bit little-endian integer. The build
// writes it (version_record.cpp.in); GetFileVersionText reads it back.
#define RUNPAD_FILE_VERSION_SECTION ".runpad_version"

namespace runpad {

inline constexpr char kFileVersionMagic[8] = {'R', 'P', 'V', 'E', 'R', 'S', '0', '1'};
inline constexpr int kFileVersionRecordSize = 16;

struct FileVersionRecord {
    unsigned char bytes[kFileVersionRecordSize];
};

constexpr FileVersionRecord makeFileVersionRecord(unsigned major, unsigned minor, unsigned release,
                                                  unsigned build) {
    FileVersionRecord record{};
    for (int i = 0; i < 8; ++i)
        record.bytes[i] = static_cast<unsigned char>(kFileVersionMagic[i]);
    const unsigned numbers[4] = {major, minor, release, build};
    for (int i = 0; i < 4; ++i) {
        record.bytes[8 + 2 * i] = numbers[i] & 0xFF;
        record.bytes[9 + 2 * i] = (numbers[i] >> 8) & 0xFF;
    }
    return record;
}

// The file version of the file at path as dotted two-digit fields
// (23.01.18.06), with the packed form (23011806) and the four numbers. A file
// without the record, or one that cannot be read, gives "?.?.?.?",
// "00000000" and -1 for each number.
QString GetFileVersionText(const QString& path, int& major, int& minor, int& release, int& build,
                           QString& packed);
QString GetFileVersionText(const QString& path);

} // namespace runpad
