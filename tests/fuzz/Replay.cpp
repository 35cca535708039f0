// Replays every file of the fuzz corpus through its target: the corpus keeps the cases the fuzzer
// found worth keeping, and this keeps them passing.
#include "FuzzTargets.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {
// The case being replayed, named when its target ends the process.
QByteArray replaying;

void nameTheCase(int)
{
    std::fprintf(stderr, "while replaying %s\n", replaying.constData());
    std::_Exit(1);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::signal(SIGABRT, nameTheCase);
    const QString corpus = QStringLiteral(LETTORA_FUZZ_CORPUS);
    int passed = 0;
    for (const auto &target : lettora::fuzz::Targets) {
        const QDir dir(corpus + QLatin1Char('/') + QLatin1String(target.name));
        const QStringList files = dir.entryList(QDir::Files);
        if (files.isEmpty()) {
            std::fprintf(stderr, "%s: no corpus\n", target.name);
            return 1;
        }
        for (const QString &name : files) {
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                return 1;
            const QByteArray data = f.readAll();
            replaying = QFile::encodeName(f.fileName());
            target.run(reinterpret_cast<const std::uint8_t *>(data.constData()), std::size_t(data.size()));
            ++passed;
        }
        std::printf("%s: %d cases\n", target.name, int(files.size()));
    }
    std::printf("%d passed, 0 failed\n", passed);
    return 0;
}
