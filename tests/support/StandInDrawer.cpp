#include "StandInDrawer.h"

#include <QFile>

namespace kelvaro::test {

std::optional<char> processState(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    // pid (name) state …: the name may hold spaces and brackets.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return std::nullopt;
    return line.at(close + 2);
}

bool processEnded(qint64 pid)
{
    const std::optional<char> state = processState(pid);
    return !state || *state == 'Z' || *state == 'X';
}

} // namespace kelvaro::test
