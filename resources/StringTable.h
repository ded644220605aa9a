#pragma once

#include <QList>
#include <QString>

// The player's string table. Texts live in strings.tsv (one "id<TAB>text" line each, the two
// characters \n standing for a line break) and are compiled into the binary.

// The text of a string id; empty when the table has no such id (string 0 is always empty).
QString LoadResString(int id);

// Whether the table holds the id at all.
bool HasResString(int id);

// Every id in the table, ascending.
QList<int> ResStringIds();

// Parses one table text: "\n" (backslash, n) becomes a line break, every other character is kept.
QString UnescapeResString(QStringView raw);
