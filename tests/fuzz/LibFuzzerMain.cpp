// One libFuzzer binary a target, chosen by LETTORA_FUZZ_TARGET (its index in Targets).
#include "FuzzTargets.h"

#include <QApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    lettora::fuzz::Targets[LETTORA_FUZZ_TARGET].run(data, size);
    return 0;
}
