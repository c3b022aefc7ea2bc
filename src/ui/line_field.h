// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <string>
#include <string_view>

class QLineEdit;
class QWidget;

// One-line fields whose text ends up in a file or on a command line.

// The field refuses CR, LF and NUL however they come (typed, pasted, set from code): a pasted
// "75<line break>bind ..." must not become a second line of the game's config. Its validator,
// if it has one, still applies to what is left. Returns the field.
QLineEdit* OneLineField(QLineEdit* field);

// Shows bytes read from a file and remembers them: the text as DisplayText reads it (UTF-8 when
// valid, else Latin-1). The field's change handler runs, as for any setText.
void SetFieldBytes(QLineEdit* field, std::string_view bytes);

// What the field holds, as bytes for the file it came from: the very bytes set while the text is
// unchanged; an edited text in the encoding those bytes were read in (Latin-1 for 8-bit text,
// as long as every character fits it), otherwise UTF-8.
std::string FieldBytes(const QLineEdit* field);

// A text for a file whose other bytes were read as Latin-1 (latin1) or UTF-8.
std::string TextBytes(const QString& text, bool latin1);

// OneLineField for every one-line field of a page or dialog.
void OneLineFields(QWidget* page);
