#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The player's string table. Texts live in strings.tsv (one "id<TAB>text" line each, sorted by
// id, the two characters \n standing for a line break) and are compiled into the binary.

// The text of a string id; empty when the table has no such id (string 0 is always empty).
QString LoadResString(int id);

// Whether the table holds the id at all.
bool HasResString(int id);

// Every id in the table, ascending.
QList<int> ResStringIds();

// What is wrong with the compiled-in table (duplicate ids, malformed lines, lines out of order),
// one text per fault naming its line; empty for a sound table.
QStringList ResStringTableErrors();

// Parses one table text: "\n" (backslash, n) becomes a line break, every other character is kept.
QString UnescapeResString(QStringView raw);

// A parsed table. A duplicate id keeps its first text, so a later line can never silently
// replace an earlier one; every fault is listed in errors.
struct ResStringTable
{
    QHash<int, QString> texts;
    QList<int> ids; // ascending
    QStringList errors;
};

// Parses the whole table file (UTF-8 already decoded). Empty lines and lines starting with '#'
// are skipped; "\r\n" line ends are accepted.
ResStringTable ParseResStringTable(QStringView content);
