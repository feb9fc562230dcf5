#pragma once

#include <QString>
#include <QStringList>

// Care providers and locations are shown as name + " [" + id + "]"; the id is taken back out
// of the shown text.
namespace ProviderEntries {

QString Entry(const QString& name, const QString& id);
// The trimmed text from after its first "[" up to, not including, its last character, trimmed.
QString IdFromEntry(const QString& text);
// The location entries of one care provider out of the session's LocationList
// ("[id]loc~name|loc~name[id]..."), from every block of that provider in order.
QStringList LocationEntries(const QString& providerId, const QString& locationList);

} // namespace ProviderEntries
