#pragma once

#include <QStringList>

// The regular expressions that recognise an e-signature statement already in a document, in the
// order they are tried (the first that matches wins). Stored exactly as the signing code expects them (the
// leading "\T" is a VBScript-style escape of a plain letter).
QStringList DefaultSignaturePatterns();
