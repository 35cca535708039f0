#pragma once

#include <QString>

#include <cstdint>

namespace lettora {

// The three integer settings: each file holds one signed 32-bit little-endian integer.
struct IntSettingDefaults
{
    static constexpr std::int32_t Timer = 10;  // seconds per picture
    static constexpr std::int32_t Random = 0;  // 1 = random order
    static constexpr std::int32_t Font = 0;    // 1 = upper case, 0 = lower case
};

// Reads the first 4 bytes of the file (further bytes are ignored and left as they are). When the
// file is missing, unreadable or shorter than 4 bytes, writes the default anew and gives it. A
// default that cannot be written raises "Cannot create file ...". A value that was read is used
// as it is, whatever it is. `path` is a fixed relative path or a full one.
std::int32_t ReadIntSetting(const QString &path, std::int32_t defaultValue);

// Creates the file anew (truncating it) and writes the value as 4 bytes. Raises on failure.
void WriteIntSetting(const QString &path, std::int32_t value);

} // namespace lettora
