#include "game/rules/GameRules.h"

#include "game/rules/AnswerRow.h"
#include "settings/ListPair.h"

#include <chrono>
#include <random>

namespace lettora {

namespace {
std::function<int(int)> &uniformSource()
{
    static std::function<int(int)> source;
    return source;
}
} // namespace

QString wordOfPicture(const QByteArray &fileName)
{
    const QString name = ListPair::display(fileName);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return upperAsciiLetters(dot < 0 ? name : name.left(dot));
}

int lifeIconToHide(int lives)
{
    return lives >= 0 && lives <= 2 ? lives + 1 : 0;
}

int randomPick(int lastIndex)
{
    if (lastIndex <= 0)
        return 0;
    if (uniformSource())
        return uniformSource()(lastIndex);
    std::mt19937 generator(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    return std::uniform_int_distribution<int>(0, lastIndex - 1)(generator);
}

void setUniformSource(std::function<int(int)> source)
{
    uniformSource() = std::move(source);
}

} // namespace lettora
