#pragma once
#include <QString>

// Whether a typed or pasted text can be stored as the user sees it: the
// class tables and text files hold Windows-1252, which has no "ş" (it would
// come back as a box and leave the export as "Aye"), and a table field holds
// as many characters as its width, no more.  Every editor that feeds a class
// table or a data file asks here first and keeps the old value on a refusal.
namespace hsa {

// The first character of text that Windows-1252 cannot hold (a character
// outside the basic plane whole); empty when every character can be stored.
QString FirstUnstorableCharacter(const QString& text);

// Why text cannot be stored in a field of width characters (width 0: any
// length): the message names the character or the width.  Empty when it can.
// A text no longer than before is never refused for its length, so that an
// entry made longer under an earlier class type can still be shortened.
QString StorableTextRefusal(const QString& text, int width = 0, int previousLength = 0);

// Shows StorableTextRefusal as a warning; true when the text was refused.
bool RefuseUnstorableText(const QString& text, int width = 0, int previousLength = 0);

} // namespace hsa
