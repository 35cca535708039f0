// One libFuzzer binary a target, chosen by LETTORA_FUZZ_TARGET (its index in Targets).
#include "FuzzTargets.h"

#include <QApplication>
#include <QLoggingCategory>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    // The decoders' warnings on every broken picture would drown the fuzzer's own report.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    lettora::fuzz::Targets[LETTORA_FUZZ_TARGET].run(data, size);
    return 0;
}
