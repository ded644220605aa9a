#include "StringTable.h"

#include <QFile>

#include <algorithm>

namespace {

const ResStringTable &table()
{
    static const ResStringTable instance = [] {
        QFile file(QStringLiteral(":/rx9/strings.tsv"));
        if (!file.open(QIODevice::ReadOnly)) {
            ResStringTable missing;
            missing.errors.append(QStringLiteral("the string table resource is missing"));
            return missing;
        }
        ResStringTable parsed = ParseResStringTable(QString::fromUtf8(file.readAll()));
        for (const QString &error : std::as_const(parsed.errors))
            qWarning("strings.tsv: %s", qUtf8Printable(error));
        return parsed;
    }();
    return instance;
}

} // namespace

ResStringTable ParseResStringTable(QStringView content)
{
    ResStringTable table;
    int lineNumber = 0;
    int previousId = -1;
    for (QStringView line : content.split(u'\n')) {
        ++lineNumber;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        bool ok = false;
        const int id = tab > 0 ? line.left(tab).toInt(&ok) : 0;
        if (!ok || id <= 0) {
            table.errors.append(
                QStringLiteral("line %1: not an \"id<TAB>text\" line").arg(lineNumber));
            continue;
        }
        if (table.texts.contains(id)) {
            table.errors.append(
                QStringLiteral("line %1: id %2 is already defined").arg(lineNumber).arg(id));
            continue;
        }
        if (id < previousId)
            table.errors.append(QStringLiteral("line %1: id %2 is out of order (after %3)")
                                    .arg(lineNumber)
                                    .arg(id)
                                    .arg(previousId));
        previousId = std::max(previousId, id);
        table.texts.insert(id, UnescapeResString(line.mid(tab + 1)));
        table.ids.append(id);
    }
    std::sort(table.ids.begin(), table.ids.end());
    return table;
}

QString UnescapeResString(QStringView raw)
{
    QString text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\\' && i + 1 < raw.size() && raw[i + 1] == u'n') {
            text.append(u'\n');
            ++i;
        } else {
            text.append(raw[i]);
        }
    }
    return text;
}

QString LoadResString(int id)
{
    return table().texts.value(id);
}

bool HasResString(int id)
{
    return table().texts.contains(id);
}

QList<int> ResStringIds()
{
    return table().ids;
}

QStringList ResStringTableErrors()
{
    return table().errors;
}
