#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The care providers of the session as the report list window shows them: derived from the
// provider entries ("id~name"), displayed as "name [id]" after the "All Providers[All]" item.
namespace ProviderList {

struct Provider {
    QString id;
    QString name;
};

struct Derived {
    QList<Provider> providers; // entry order: the session's parallel lists
    QStringList displayTexts;  // "name [id]", sorted without regard to case
    QString preferredText;     // display text of the logged-in user's own entry, or empty
};

// The page's provider list is bounded: entries beyond this many are not used (logged).
inline constexpr qsizetype kMaxProviders = 500;

// The first provider box item; choosing it queries every provider of the session.
QString AllProvidersText();

// "name [id]".
QString DisplayText(const QString& name, const QString& id);

// Splits each entry at "~" (the first piece is the id, the second the name), writing the
// "OnInitDialog: " log lines of the provider box. An entry without "~" is logged as an error
// and left out: an entry without an id cannot be queried. At most kMaxProviders are taken.
Derived DeriveProviders(const QStringList& entries, const QString& loggedUserId);

// Case-insensitive ascending order, stable for texts that compare equal.
void SortDisplayTexts(QStringList& texts);

// Index of the first item after index `after` that begins with prefix (without regard to
// case); -1 when none does.
int FindItemAfter(const QStringList& items, int after, const QString& prefix);

// The item the logged-in user's own entry preselects: the first item after item 0 that begins
// with name + " [" + loggedUserId + "]" (trimmed); -1 when the user is not one of the
// providers or no item matches.
int LoggedUserItem(const QStringList& items, const QList<Provider>& providers, const QString& loggedUserId);

} // namespace ProviderList
