#include "host/core/SessionSettings.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QMutexLocker>

SessionSettings& Session() {
    static SessionSettings settings;
    return settings;
}

QString SessionSettings::Get(const QString& field) const {
    QMutexLocker lock(&mutex_);
    return field;
}

void SessionSettings::Put(QString& field, const QString& v) {
    QMutexLocker lock(&mutex_);
    field = v;
}

void SessionSettings::SetWebsite(const QString& url) {
    Put(serverURL_, url);
    WriteLog(QStringLiteral("SetWebsite: HostName, ") + url);
}

QString SessionSettings::ServerURL() const {
    return Get(serverURL_);
}
void SessionSettings::SetServerURL(const QString& v) {
    Put(serverURL_, v);
}
QString SessionSettings::QueryPhysicianId() const {
    return Get(queryPhysicianId_);
}
void SessionSettings::SetQueryPhysicianId(const QString& v) {
    Put(queryPhysicianId_, v);
}
QString SessionSettings::QueryLocationId() const {
    return Get(queryLocationId_);
}
void SessionSettings::SetQueryLocationId(const QString& v) {
    Put(queryLocationId_, v);
}
QString SessionSettings::LastFileListName() const {
    return Get(lastFileListName_);
}
void SessionSettings::SetLastFileListName(const QString& v) {
    Put(lastFileListName_, v);
}
QString SessionSettings::SystemFolder() const {
    return Get(systemFolder_);
}
void SessionSettings::SetSystemFolder(const QString& v) {
    Put(systemFolder_, v);
}
QString SessionSettings::LocationList() const {
    return Get(locationList_);
}
void SessionSettings::SetLocationList(const QString& v) {
    Put(locationList_, v);
}
QString SessionSettings::LoggedUserId() const {
    return Get(loggedUserId_);
}
void SessionSettings::SetLoggedUserId(const QString& v) {
    Put(loggedUserId_, v);
}
QString SessionSettings::LoggedUserName() const {
    return Get(loggedUserName_);
}
void SessionSettings::SetLoggedUserName(const QString& v) {
    Put(loggedUserName_, v);
}
QString SessionSettings::DefaultCustomProperty() const {
    return Get(defaultCustomProperty_);
}
void SessionSettings::SetDefaultCustomProperty(const QString& v) {
    Put(defaultCustomProperty_, v);
}
QString SessionSettings::SignatureLine() const {
    return Get(signatureLine_);
}
void SessionSettings::SetSignatureLine(const QString& v) {
    Put(signatureLine_, v);
}
QString SessionSettings::Printprevilage() const {
    return Get(printprevilage_);
}
void SessionSettings::SetPrintprevilage(const QString& v) {
    Put(printprevilage_, v);
}
QString SessionSettings::FromDictationFlag() const {
    return Get(fromDictationFlag_);
}
void SessionSettings::SetFromDictationFlag(const QString& v) {
    Put(fromDictationFlag_, v);
}

int SessionSettings::ListHasRecords() const {
    QMutexLocker lock(&mutex_);
    return listHasRecords_;
}

void SessionSettings::SetListHasRecords(int v) {
    QMutexLocker lock(&mutex_);
    listHasRecords_ = v;
}

QStringList SessionSettings::PhysicianEntries() const {
    QMutexLocker lock(&mutex_);
    return physicianEntries_;
}

void SessionSettings::SetPhysicianList(const QString& text) {
    QStringList entries;
    if (text.contains(QLatin1Char('|'))) {
        CUtility::SplitString(text, QStringLiteral("|"), entries);
    } else {
        entries.append(text);
    }
    QMutexLocker lock(&mutex_);
    physicianEntries_ = entries;
}

QStringList SessionSettings::CareProviderIds() const {
    QMutexLocker lock(&mutex_);
    return careProviderIds_;
}

QStringList SessionSettings::CareProviderExtras() const {
    QMutexLocker lock(&mutex_);
    return careProviderExtras_;
}

QStringList SessionSettings::CareProviderNames() const {
    QMutexLocker lock(&mutex_);
    return careProviderNames_;
}

void SessionSettings::ClearCareProviders() {
    QMutexLocker lock(&mutex_);
    careProviderIds_.clear();
    careProviderExtras_.clear();
    careProviderNames_.clear();
}

void SessionSettings::AppendCareProvider(const QString& id, const QString& extra, const QString& name) {
    QMutexLocker lock(&mutex_);
    careProviderIds_.append(id);
    careProviderExtras_.append(extra);
    careProviderNames_.append(name);
}

void SessionSettings::Reset() {
    QMutexLocker lock(&mutex_);
    serverURL_.clear();
    queryPhysicianId_.clear();
    queryLocationId_.clear();
    lastFileListName_.clear();
    systemFolder_.clear();
    locationList_.clear();
    loggedUserId_.clear();
    loggedUserName_.clear();
    defaultCustomProperty_.clear();
    signatureLine_.clear();
    printprevilage_.clear();
    listHasRecords_ = 0;
    physicianEntries_.clear();
    careProviderIds_.clear();
    careProviderExtras_.clear();
    careProviderNames_.clear();
    fromDictationFlag_.clear();
}
