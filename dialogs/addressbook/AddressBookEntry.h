#pragma once

#include <QString>
#include <QStringList>

// The texts the address book exchanges with the server. A line is
// key~Company~First~Middle~Last~Fax~E-Mail~Telephone; an entry sent for a new contact has the
// seven fields without the key, a changed one has the key in front.
namespace AddressBookEntry {

inline constexpr int kFields = 8; // key and the seven shown fields

// "qm_address_update.php" for an entry text (add, edit) or a key (delete).
QString UpdateUrl(const QString& addressOrKey, bool deleteEntry);

// The entry text handed to the entry dialog for a change: the fields 2..8 and then the key, each
// followed by "~", a blank field as one blank so that the split keeps its place.
QString TextForEdit(const QStringList& fieldsFromKey);

// The entry text of the seven trimmed fields, with the key in front when there is one.
QString Build(const QString& key, const QStringList& sevenFields);

// One line of the book split at "~" (blank pieces kept as empty texts, empty pieces dropped).
QStringList SplitLine(const QString& line);

// True when the line's key (its first field, when it has one) is one the names rule accepts;
// a refused key is logged, naming the line. Keys go back to the server in every update.
bool KeyAccepted(const QStringList& fields, qsizetype lineNumber);

// The message for contacts left out for their keys.
QString RefusedContactsText(int contacts);

} // namespace AddressBookEntry
