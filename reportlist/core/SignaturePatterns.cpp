#include "reportlist/core/SignaturePatterns.h"

QStringList DefaultSignaturePatterns() {
    return {
        QStringLiteral(R"(\This[\s]*document[\s]*has[\s]*been[\s]*Electronically[\s]*ESigned[\s]*by[\s]*)"),
        QStringLiteral(R"(\This[\s]*document[\s]*has[\s]*been[\s]*Electronically[\s]*ESigned[\s]*and[\s]*)"
                       R"(Revised[\s]*by[\s]*)"),
        QStringLiteral(R"(\This[\s]*document[\s]*has[\s]*been[\s]*Revised[\s]*and[\s]*Electronically[\s]*)"
                       R"(ESigned[\s]*by[\s]*)"),
        QStringLiteral(R"(\This[\s]*document[\s]*has[\s]*been[\s]*Electronically[\s]*ESigned)"),
    };
}
