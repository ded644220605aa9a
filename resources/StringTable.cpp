#include "StringTable.h"

#include <QFile>
#include <QHash>

#include <algorithm>

namespace {

struct Table
{
    QHash<int, QString> texts;
    QList<int> ids;
};

Table readTable()
{
    Table table;
    QFile file(QStringLiteral(":/rx9/strings.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return table;
    const QString all = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(all).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype tab = line.indexOf(u'\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (!ok)
            continue;
        if (!table.texts.contains(id))
            table.ids.append(id);
        table.texts.insert(id, UnescapeResString(line.mid(tab + 1)));
    }
    std::sort(table.ids.begin(), table.ids.end());
    return table;
}

const Table &table()
{
    static const Table instance = readTable();
    return instance;
}

} // namespace

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
