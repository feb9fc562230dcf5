// The practice's address book (one book shared by its users) and the fax queue that reads it.
#include "server/DateText.h"
#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"

#include <charconv>

namespace {

// An empty field is written as one blank so that its place survives the desk's splitter, which
// drops empty pieces.
std::string Field(const std::string& text) {
    return text.empty() ? " " : Text::ListValue(text);
}

std::string SafeFilePart(const std::string& id) {
    std::string out;
    for (const char c : id) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           c == '-' || c == '_';
        out += plain ? c : '_';
    }
    return out.empty() ? std::string("user") : out.substr(0, 64);
}

std::optional<std::int64_t> Key(const std::string& text) {
    const std::string trimmed = Text::Trim(text);
    std::int64_t key = 0;
    const auto [ptr, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), key);
    if (trimmed.empty() || ec != std::errc() || ptr != trimmed.data() + trimmed.size()) {
        return std::nullopt;
    }
    return key;
}

// addressbook.php?physicianid=ID -> a zip holding ID_addressbook.txt, one contact per line:
// key~Company~First~Middle~Last~Fax~E-Mail~Telephone
Answer AddressBook(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    auto stmt =
        ctx.db.Prepare("SELECT key, company, first, middle, last, fax, email, phone FROM address_book "
                       "ORDER BY key");
    std::string text;
    while (stmt.Step()) {
        text += std::to_string(stmt.Int(0));
        for (int column = 1; column <= 7; ++column) {
            text += '~';
            text += Field(Text::Trim(stmt.Text(column)));
        }
        text += "\n";
    }
    return Answer::ZippedList(SafeFilePart(request.query.Value("physicianid")) + "_addressbook.txt", text);
}

// qm_address_update.php?physicianid=&address=company~first~middle~last~fax~email~phone (add),
// address=key~company~... (edit), address=key&delete=1 (delete). Answers exactly "~".
Answer AddressUpdate(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string address = request.query.Value("address");
    const std::string who = request.query.Value("physicianid");
    if (request.query.Value("delete") == "1") {
        const auto key = Key(address);
        if (!key) {
            return Answer::Refusal("The entry to delete is not named by its key.");
        }
        ctx.db.Prepare("DELETE FROM address_book WHERE key = ?").Bind(1, *key).Run();
        if (ctx.db.Changes() == 0) {
            return Answer::Refusal("The entry " + Text::Trim(address) + " could not be found.");
        }
        return Answer::Plain("~");
    }
    std::vector<std::string> pieces = Text::Split(address, '~', 16);
    for (std::string& piece : pieces) {
        piece = Text::Trim(piece);
    }
    if (pieces.size() != 7 && pieces.size() != 8) {
        return Answer::Refusal("An address entry has seven fields, or a key and seven fields.");
    }
    std::optional<std::int64_t> key;
    if (pieces.size() == 8) {
        key = Key(pieces.front());
        if (!key) {
            return Answer::Refusal("The entry to change is not named by its key.");
        }
        pieces.erase(pieces.begin());
    }
    // company, first, middle, last, fax, email, phone
    if (pieces[1].empty() || pieces[3].empty() || pieces[4].empty() || pieces[5].empty()) {
        return Answer::Refusal(
            "An entry needs a first name, a last name, a fax number and an e-mail address.");
    }
    auto stmt =
        key ? ctx.db.Prepare("UPDATE address_book SET company = ?, first = ?, middle = ?, last = ?, fax = ?, "
                             "email = ?, phone = ?, changed_by = ? WHERE key = ?")
            : ctx.db.Prepare("INSERT INTO address_book(company, first, middle, last, fax, email, phone, "
                             "changed_by) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < 7; ++i) {
        stmt.Bind(i + 1, pieces[static_cast<std::size_t>(i)]);
    }
    stmt.Bind(8, who);
    if (key) {
        stmt.Bind(9, *key);
    }
    stmt.Run();
    if (key && ctx.db.Changes() == 0) {
        return Answer::Refusal("The entry " + std::to_string(*key) + " could not be found.");
    }
    return Answer::Plain("~");
}

struct Recipient {
    std::string key;
    std::string label;
    std::string fax;
};

// faxqueue: what was queued for faxing, newest first, as an HTML page for the demo's user.
Answer FaxQueuePage(ServerContext& ctx, const ScriptRequest&) {
    auto lock = ctx.Lock();
    auto stmt = ctx.db.Prepare("SELECT queued_at, report_name, recipient_key, recipient_label, fax, login_id "
                               "FROM fax_queue ORDER BY id DESC LIMIT 1000");
    std::string rows;
    while (stmt.Step()) {
        rows += "<tr>";
        for (int column = 0; column < 6; ++column) {
            rows += "<td>" + Text::HtmlEscape(stmt.Text(column)) + "</td>";
        }
        rows += "</tr>\n";
    }
    return Answer::Html(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Fax queue</title></head><body>"
        "<h1>Fax queue</h1><table border=\"1\"><tr><th>Queued</th><th>Report</th><th>Key</th>"
        "<th>Recipient</th><th>Fax</th><th>Queued by</th></tr>\n" +
        rows + "</table></body></html>\n");
}

// addtofaxqueue.php, a multipart post: recipient = key~label~fax|..., loginid, faxdoc = doc;doc
Answer AddToFaxQueue(ServerContext& ctx, const ScriptRequest& request) {
    if (!request.hasBody) {
        return Answer::Refusal("Send the fax request as a form.");
    }
    if (!request.formIsValid) {
        return Answer::Refusal("The fax request could not be read.");
    }
    auto lock = ctx.Lock();
    const std::string loginId = request.Field("loginid");
    const auto user = Practice::FindUser(ctx.db, loginId);
    if (!user) {
        return Answer::Refusal("The user " + loginId + " is not known to the report service.");
    }
    std::vector<Practice::Report> documents;
    for (const std::string& text : Text::SplitTrimmed(request.Field("faxdoc"), ';', 256)) {
        const auto report = Practice::FindReport(ctx.db, Practice::JobName(text));
        if (!report || report->kind != "t") {
            return Answer::Refusal("The report " + text + " could not be found.");
        }
        if (!Practice::Allows(Practice::PrivilegesFor(ctx.db, user->id, *report), 2)) {
            return Answer::Refusal("You are not set up to fax " + report->name + ".");
        }
        documents.push_back(*report);
    }
    if (documents.empty()) {
        return Answer::Refusal("Choose the documents to fax.");
    }
    std::vector<Recipient> recipients;
    for (const std::string& text : Text::SplitTrimmed(request.Field("recipient"), '|', 256)) {
        const std::vector<std::string> pieces = Text::Split(text, '~', 3);
        Recipient recipient{Text::Trim(pieces[0]), pieces.size() > 1 ? Text::Trim(pieces[1]) : "",
                            pieces.size() > 2 ? Text::Trim(pieces[2]) : ""};
        // Faxes go only to numbers of the practice's book, so a shifted field cannot dial a name.
        auto stmt = ctx.db.Prepare("SELECT COUNT(*) FROM address_book WHERE trim(fax) = ? AND fax <> ''");
        stmt.Bind(1, recipient.fax);
        if (!stmt.Step() || stmt.Int(0) == 0) {
            return Answer::Refusal("The fax number of " + text + " is not in the address book.");
        }
        recipients.push_back(std::move(recipient));
    }
    if (recipients.empty()) {
        return Answer::Refusal("Please select a Recipient.");
    }
    Transaction transaction(ctx.db);
    const std::string now = DateText::Stored(DateText::LocalNow());
    for (const auto& report : documents) {
        for (const Recipient& recipient : recipients) {
            ctx.db
                .Prepare("INSERT INTO fax_queue(report_name, recipient_key, recipient_label, fax, login_id, "
                         "queued_at) "
                         "VALUES(?, ?, ?, ?, ?, ?)")
                .Bind(1, report.name)
                .Bind(2, recipient.key)
                .Bind(3, recipient.label)
                .Bind(4, recipient.fax)
                .Bind(5, user->id)
                .Bind(6, now)
                .Run();
            Practice::RecordAudit(ctx.db, report.name, user->id, "Queued for fax",
                                  "to " + recipient.label + " (" + recipient.fax + ")");
        }
        ctx.db.Prepare("UPDATE reports SET faxed = 1 WHERE name = ?").Bind(1, report.name).Run();
    }
    transaction.Commit();
    return Answer::Plain("~");
}

} // namespace

void AddAddressBookScripts(ScriptTable& table) {
    table.emplace_back("addressbook.php", &AddressBook);
    table.emplace_back("qm_address_update.php", &AddressUpdate);
    table.emplace_back("addtofaxqueue.php", &AddToFaxQueue);
    table.emplace_back("faxqueue", &FaxQueuePage);
}
