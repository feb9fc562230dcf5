#pragma once

#include <QString>
#include <QStringList>

// The entries under root (root included) that another account could read or enter: folders whose
// mode is not 0700 and files whose mode is not 0600, each as "PATH MODE". Links are not followed.
// What other programs keep there is theirs: the conversions' LibreOffice profile and the word
// processor's lock files are left out.
QStringList NotPrivate(const QString& root);
