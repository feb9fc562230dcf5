#include "documents/demographics/EditDemographics.h"

#include "documents/common/FlowSupport.h"
#include "documents/common/OpenDocumentGuard.h"
#include "documents/core/DocumentPaths.h"
#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/WordAutomation.h"
#include "documents/demographics/CDlgEditDemographics.h"
#include "documents/esign/EsignDocuments.h"
#include "documents/pending/PendingUploads.h"
#include "host/core/ActivityLog.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/AccessDenied.h"
#include "reportlist/core/AccessRights.h"
#include "reportlist/core/FileListFormat.h"
#include "reportlist/core/ReportQuery.h"
#include "transport/CFileDownloads.h"
#include "transport/LocalCopies.h"
#include "transport/scripts/ServerAnswer.h"

QString EditDemographics::FieldNameForCaption(const QString& caption) {
    const QString trimmed = caption.trimmed();
    return IsFieldlessCaption(trimmed) ? QString() : KeyForCaption(trimmed);
}

void EditDemographics::Run() {
    WindowState& state = desk_.State();
    if (ReportQuery::IsPendingCode(state.ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Click on play to play voice files."));
        return;
    }
    WriteLog(QStringLiteral("Reading the headers of list"));
    QStringList fields;
    for (const QString& caption : desk_.ColumnCaptions()) {
        const QString field = FieldNameForCaption(caption);
        if (!field.isEmpty()) {
            fields.append(field);
        }
    }

    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select a document to view."));
        return;
    }
    QString name;
    QString owner;
    for (const int row : rows) {
        if (!name.isEmpty()) {
            Prompts::Information(QStringLiteral("Select only one file to edit demographics."));
            return;
        }
        if (!AccessRights::MayEdit(desk_.AccessFlags(row))) {
            Prompts::Information(AccessDeniedMessage(QStringLiteral("\"Edit\"")));
            return;
        }
        const QString rowName = desk_.Filename(row);
        if (ContainsText(state.EsignedDocuments, rowName)) {
            if (!SameText(Session().LoggedUserId(), desk_.EsignOwner(row))) {
                Prompts::Information(
                    QStringLiteral("ACCESS DENIED: Your user account is not configured to \"Edit\" "
                                   "an E-signed document. ") +
                    SupportContactSentence());
                return;
            }
            Prompts::Information(
                QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                               "statement will be added if it is edited and saved."));
        }
        if (!rowName.isEmpty()) {
            WriteLog(QStringLiteral("OnPopEditDemographics: File selected to edit demographic, ") + rowName);
            name = rowName;
            owner = desk_.EsignOwner(row);
        }
    }
    if (RefuseWhileDocumentOpen(desk_) || name.isEmpty()) {
        return;
    }

    const QString path = LocalDocumentPath(name);
    PendingUploads::TakeOwedCopy(name);
    if (!LocalCopies::Reusable(path)) {
        desk_.DownloadDocuments({name});
        Delays::Wait(Delays::Get().afterDemographicsDownload);
        if (!LocalCopies::Reusable(path)) {
            Prompts::Information(name + QStringLiteral(".doc could not be downloaded."));
            return;
        }
    }

    QStringList propertyNames;
    QStringList propertyValues;
    DocumentPropertyStore().ReadDocumentProperties(path, propertyNames, propertyValues);
    QStringList names;
    QStringList values;
    for (const QString& field : fields) {
        QString shownName = field;
        QString value;
        for (int i = 0; i < propertyNames.size(); ++i) {
            if (SameText(propertyNames.at(i), field)) {
                shownName = propertyNames.at(i);
                value = i < propertyValues.size() ? propertyValues.at(i) : QString();
                break;
            }
        }
        names.append(shownName);
        values.append(value);
    }

    CDlgEditDemographics dialog(names, values, name, desk_.DialogParent());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const QList<QPair<QString, QString>> changed = dialog.Changed();
    QStringList items;
    for (const auto& [field, value] : changed) {
        items.append(field + QLatin1Char('~') + value);
    }
    const QString list = items.join(QLatin1Char('|'));
    const std::uint32_t base = FileChecksum(path);
    DocumentPropertyStore().WriteDocumentProperties(path, list);
    WordAutomation().SetBookmarkValues(path, changed);

    const QString response = CFileDownloads().UploadFile(name, list);
    if (!ServerAnswer::AnswerAccepted(response)) {
        Prompts::Information(response);
        PendingUploads::RecordOwed(name, PendingRecord::Form::Resync, list, base);
        return;
    }
    WriteLog(QStringLiteral("OnPopEditdemographics: Update successful"));
    PendingUploads::Confirmed(name);
    Prompts::Information(QStringLiteral("Demographics edited successfully"));
    if (SameText(Session().LoggedUserId(), owner)) {
        EsignDocuments(desk_).ResignAfterDemographics({name});
    }
    desk_.RunQuery();
}
