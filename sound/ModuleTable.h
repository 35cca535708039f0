#pragma once

#include "shell/core/SymbolTable.h"

#include <QFile>
#include <QString>

#include <dlfcn.h>

namespace lettora {

// A module's table: from the module already loaded (a test program links it), else from the file
// of that name in `folder`. Null without the module or one of its libraries, and for a table of
// another build, which could read differently (every table begins with its version and size).
template <typename Table>
const Table *openModuleTable(const char *file, const char *entry, int version, const QString &folder)
{
    void *library = ::dlopen(file, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (!library) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(file);
        library = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    }
    if (!library)
        return nullptr;
    const Table *(*function)() = nullptr;
    const Table *table = resolveSymbols(library, {{entry, function}}) ? function() : nullptr;
    if (!table || table->version != version || table->size != int(sizeof(Table)))
        return nullptr;
    return table;
}

} // namespace lettora
