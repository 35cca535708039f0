#pragma once

#include <cstddef>
#include <cstdint>

// The fuzz targets: each takes any bytes and checks what must hold whatever they are. A broken
// rule ends the process (abort), which both libFuzzer and the corpus replay report.
namespace lettora::fuzz {

void listFile(const std::uint8_t *data, std::size_t size);
void intSetting(const std::uint8_t *data, std::size_t size);
void timerText(const std::uint8_t *data, std::size_t size);
void pathResolver(const std::uint8_t *data, std::size_t size);
void midiFile(const std::uint8_t *data, std::size_t size);
void jpegFrame(const std::uint8_t *data, std::size_t size);
void progressCsv(const std::uint8_t *data, std::size_t size);
void parentSettings(const std::uint8_t *data, std::size_t size);

struct Target
{
    const char *name;  // also the folder of its corpus
    void (*run)(const std::uint8_t *, std::size_t);
};
inline constexpr Target Targets[] = {
    {"list_file", listFile},     {"int_setting", intSetting}, {"timer_text", timerText},
    {"path_resolver", pathResolver}, {"midi_file", midiFile}, {"jpeg_frame", jpegFrame},
    {"progress_csv", progressCsv}, {"parent_settings", parentSettings}};

} // namespace lettora::fuzz
