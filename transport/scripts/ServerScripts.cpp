#include "transport/scripts/ServerScripts.h"

#include <initializer_list>
#include <utility>

namespace {

// server + script + "?" + key=value pairs joined by "&", each value as it stands.
QString Query(const QString& server, QLatin1StringView script,
              std::initializer_list<std::pair<QLatin1StringView, QString>> pairs) {
    QString address = server + script;
    QLatin1Char separator('?');
    for (const auto& [key, value] : pairs) {
        address += separator;
        address += key;
        address += QLatin1Char('=');
        address += value;
        separator = QLatin1Char('&');
    }
    return address;
}

} // namespace

QString FileListRequest::Address(const QString& server) const {
    const QString dateFormat = QStringLiteral("yyyy-MM-dd");
    return Query(server, QLatin1StringView("qm_download_filelist.php"),
                 {{QLatin1StringView("loginuserid"), loginUserId},
                  {QLatin1StringView("physicianid"), providerId},
                  {QLatin1StringView("locationid"), locationId},
                  {QLatin1StringView("fromdate"), from.toString(dateFormat)},
                  {QLatin1StringView("todate"), to.toString(dateFormat)},
                  {QLatin1StringView("reporttype"), reportTypeCode}});
}

QString DemographicSearchRequest::Script(const QString& server) {
    return server + QStringLiteral("qm_search.php");
}

QString DemographicSearchRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_search.php"),
                 {{QLatin1StringView("loginid"), loginId},
                  {QLatin1StringView("locationid"), locationId},
                  {QLatin1StringView("txtDemographicName"), name},
                  {QLatin1StringView("txtDemographicValue"), value},
                  {QLatin1StringView("chktrdate"), transcribed},
                  {QLatin1StringView("arrradio"), scope},
                  {QLatin1StringView("txthid_stdate"), start},
                  {QLatin1StringView("txthid_eddate"), end},
                  {QLatin1StringView("archivedsearch"), archived}});
}

QString FreeTextSearchRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_searchfreetext.php"),
                 {{QLatin1StringView("searchtext"), text}, {QLatin1StringView("loginuserid"), loginUserId}});
}

QString SearchNamesRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_searchdemographics.php"),
                 {{QLatin1StringView("loginid"), loginId}});
}

QString VersionListRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_versionlist.php"),
                 {{QLatin1StringView("physicianid"), physicianId},
                  {QLatin1StringView("filename"), fileName},
                  {QLatin1StringView("locationid"), locationId}});
}

QString VersionFileRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_download_versionfiles.php"),
                 {{QLatin1StringView("filename"), fileName}});
}

QString DocumentFileRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_download_files.php"),
                 {{QLatin1StringView("filename"), fileName}});
}

QString VoiceFileRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("download_play_voicefile.php"),
                 {{QLatin1StringView("filename"), fileName}});
}

QString AddressBookRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("addressbook.php"),
                 {{QLatin1StringView("physicianid"), physicianId}});
}

QString AddressUpdateRequest::Address(const QString& server) const {
    QString address = Query(
        server, QLatin1StringView("qm_address_update.php"),
        {{QLatin1StringView("physicianid"), physicianId}, {QLatin1StringView("address"), addressOrKey}});
    if (deleteEntry) {
        address += QStringLiteral("&delete=1");
    }
    return address;
}

QString CustomPropertiesRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_customproperties.php"),
                 {{QLatin1StringView("physicianid"), physicianId}});
}

QString CustomOrderRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_custom_order.php"),
                 {{QLatin1StringView("physicianid"), physicianId}, {QLatin1StringView("props"), keyList}});
}

QString StatusUpdateRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("qm_statusupdate.php"),
                 {{QLatin1StringView("physicianid"), physicianId},
                  {QLatin1StringView("locationid"), locationId},
                  {QLatin1StringView("vfilename"), fileName},
                  {QLatin1StringView("field"), field},
                  {QLatin1StringView("value"), QStringLiteral("1")}});
}

QString ServerTimeRequest::Address(const QString& server) {
    return server + QStringLiteral("getservertime.asp");
}

QString AuditTrailRequest::Address(const QString& server) const {
    return Query(server, QLatin1StringView("view_audittrail.php"),
                 {{QLatin1StringView("loginid"), loginId},
                  {QLatin1StringView("filename"), fileName},
                  {QLatin1StringView("fromdate"), QString()},
                  {QLatin1StringView("todate"), QString()},
                  {QLatin1StringView("admin"), QStringLiteral("0")}});
}

QString FaxQueueRequest::Address(const QString& server) {
    return server + QStringLiteral("addtofaxqueue.php");
}

ServerAnswer FaxQueueRequest::Send(ScriptPost& post) const {
    post.Field(QStringLiteral("recipient"), recipients);
    post.Field(QStringLiteral("loginid"), loginId);
    post.Field(QStringLiteral("faxdoc"), documents);
    return post.Send(true);
}

QString RenameRequest::Address(const QString& server) {
    return server + QStringLiteral("qm_rename.php");
}

ServerAnswer RenameRequest::Send(ScriptPost& post) const {
    post.Field(QStringLiteral("loginid"), loginId);
    post.Field(QStringLiteral("password"), password);
    post.Field(QStringLiteral("filename"), jobs);
    post.Field(QStringLiteral("phyid"), providerId);
    post.Field(QStringLiteral("locationid"), locationId);
    if (!stat.isEmpty()) {
        post.Field(QStringLiteral("stat"), stat);
    }
    // The server has always been sent the provider twice when there is one.
    if (!providerId.isEmpty()) {
        post.Field(QStringLiteral("phyid"), providerId);
    }
    return post.Send(false);
}

QString CustomPropertyAddRequest::Address(const QString& server) {
    return server + QStringLiteral("qm_cp_add.php");
}

ServerAnswer CustomPropertyAddRequest::Send(ScriptPost& post) const {
    post.Field(QStringLiteral("loginid"), loginId);
    post.Field(QStringLiteral("cps"), names);
    return post.Send(false);
}

QString DocumentUploadRequest::Address(const QString& server) const {
    return server + (esign ? QStringLiteral("qm_esign.php") : QStringLiteral("qm_resync.php"));
}

ServerAnswer DocumentUploadRequest::Send(ScriptPost& post) const {
    post.Field(QStringLiteral("loginid"), loginId);
    post.Field(QStringLiteral("password"), password);
    post.Field(QStringLiteral("locationid"), locationId);
    post.Field(QStringLiteral("phyid"), providerId);
    if (esign) {
        post.Field(QStringLiteral("esign"), QStringLiteral("1"));
        post.Field(QStringLiteral("edit"), QStringLiteral("1"));
    } else if (!demographics.isEmpty()) {
        post.Field(QStringLiteral("demographics"), demographics);
    }
    return post.Send(true);
}
