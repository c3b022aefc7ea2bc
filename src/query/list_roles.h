// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <Qt>

// What the models of the report lists give beyond Qt's own roles, so that a list view reads any
// of them alike (its own rows, or a server list through its proxy).
namespace ListRole {
// A cell's bytes as they came (QByteArray): what a server sent, before the display conversion.
inline constexpr int Bytes = Qt::UserRole + 1;
// Whether the row is a status line (bool): a line about the list, not an item of it.
inline constexpr int Status = Qt::UserRole + 2;
} // namespace ListRole
