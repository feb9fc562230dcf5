#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

// The session the host page hands the desk, plus what the desk derives from it. One
// instance per process (see Session()); every window and worker thread reads the same
// values. Getters return copies; a mutex keeps copies whole while a worker reads.
class SessionSettings {
public:
    // Stores the server address and logs it (the host calls this for "ServerURL").
    void SetWebsite(const QString& url);

    QString ServerURL() const;
    void SetServerURL(const QString& v);

    QString QueryPhysicianId() const;
    void SetQueryPhysicianId(const QString& v);
    QString QueryLocationId() const;
    void SetQueryLocationId(const QString& v);
    QString LastFileListName() const;
    void SetLastFileListName(const QString& v);
    QString SystemFolder() const;
    void SetSystemFolder(const QString& v);
    QString LocationList() const;
    void SetLocationList(const QString& v);
    QString LoggedUserId() const;
    void SetLoggedUserId(const QString& v);
    QString LoggedUserName() const;
    void SetLoggedUserName(const QString& v);
    QString DefaultCustomProperty() const;
    void SetDefaultCustomProperty(const QString& v);
    QString SignatureLine() const;
    void SetSignatureLine(const QString& v);
    QString Printprevilage() const;
    void SetPrintprevilage(const QString& v);
    int ListHasRecords() const;
    void SetListHasRecords(int v);

    // Provider entries ("id~name"), from PhysicianList. With a "|" the text is split by
    // SplitString (trimmed, empty pieces dropped); without one the whole text is the only
    // entry, even when empty.
    QStringList PhysicianEntries() const;
    void SetPhysicianList(const QString& text);

    // Parallel lists derived by the report list window, in entry order.
    QStringList CareProviderIds() const;
    QStringList CareProviderExtras() const;
    QStringList CareProviderNames() const;
    void ClearCareProviders();
    void AppendCareProvider(const QString& id, const QString& extra, const QString& name);

    QString FromDictationFlag() const;
    void SetFromDictationFlag(const QString& v);

    // Back to an empty session (tests start each case from here).
    void Reset();

private:
    QString Get(const QString& field) const;
    void Put(QString& field, const QString& v);

    mutable QMutex mutex_;
    QString serverURL_;
    QString queryPhysicianId_;
    QString queryLocationId_;
    QString lastFileListName_;
    QString systemFolder_;
    QString locationList_;
    QString loggedUserId_;
    QString loggedUserName_;
    QString defaultCustomProperty_;
    QString signatureLine_;
    QString printprevilage_;
    int listHasRecords_ = 0;
    QStringList physicianEntries_;
    QStringList careProviderIds_;
    QStringList careProviderExtras_;
    QStringList careProviderNames_;
    QString fromDictationFlag_;
};

// The application object's session.
SessionSettings& Session();
