#include "settings/IntegerText.h"

#include "shell/core/Error.h"

namespace lettora {

std::int32_t textToInt(const QString &text)
{
    auto invalid = [&text]() -> Error {
        return Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    };
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && (text.at(i) == QLatin1Char('$') || text.at(i) == QLatin1Char('x') || text.at(i) == QLatin1Char('X'))) {
        hex = true;
        ++i;
    } else if (i + 1 < n && text.at(i) == QLatin1Char('0')
               && (text.at(i + 1) == QLatin1Char('x') || text.at(i + 1) == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    }
    if (i >= n)
        throw invalid();

    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        int v = -1;
        if (c >= u'0' && c <= u'9')
            v = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            v = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            v = c - u'A' + 10;
        if (v < 0)
            throw invalid();
        value = value * (hex ? 16 : 10) + std::uint64_t(v);
        if (value > (hex ? 0xFFFFFFFFull : 0x80000000ull))
            throw invalid();
    }
    if (hex) {
        const auto pattern = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(pattern)) : pattern;
    }
    if (!negative && value > 0x7FFFFFFFull)
        throw invalid();
    return negative ? static_cast<std::int32_t>(0 - static_cast<std::int64_t>(value)) : static_cast<std::int32_t>(value);
}

} // namespace lettora
