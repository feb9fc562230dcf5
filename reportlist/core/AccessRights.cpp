#include "reportlist/core/AccessRights.h"

namespace {

bool Granted(const QString& flags, qsizetype at) {
    return flags.size() > at && flags.at(at) == QLatin1Char('1');
}

bool Refused(const QString& flags, qsizetype at) {
    return flags.size() > at && flags.at(at) == QLatin1Char('0');
}

} // namespace

namespace AccessRights {

bool MayView(const QString& flags) {
    return Granted(flags, 0);
}

bool MayPrint(const QString& flags) {
    return Granted(flags, 1);
}

bool MayFax(const QString& flags) {
    return !Refused(flags, 2);
}

bool MayEdit(const QString& flags) {
    return Granted(flags, 4);
}

bool MaySeeHistory(const QString& flags) {
    return MayView(flags) || MayEdit(flags);
}

bool MayRename(const QString& flags) {
    return !Refused(flags, 5);
}

} // namespace AccessRights
