#pragma once

#include <QString>

// Overwrites the first leaf page of a table's rows in a closed database file with garbage: damage
// that opening the file finds, as it reads both ends of every table. False when the table has
// fewer than three leaf pages or the file cannot be written.
bool DamageFirstLeaf(const QString& path, const char* table);
