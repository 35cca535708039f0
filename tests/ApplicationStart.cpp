// The application object made as the program's entry makes it; prints Qt's limit on a decoded
// picture, in megabytes, as it stands then.
#include "shell/Application.h"

#include <QImageReader>

#include <cstdio>

int main(int argc, char *argv[])
{
    const auto app = lettora::makeApplication(argc, argv);
    std::printf("%d\n", QImageReader::allocationLimit());
    return 0;
}
