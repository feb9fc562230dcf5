// Each user's catalogue of custom properties and which of them the file lists show, in order.
#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"

namespace {

// Keys that every file list carries in fixed places; they are never custom properties.
bool Reserved(const std::string& name) {
    for (const char* key : {"Filename", "Privileges", "Owner", "Activity Indicator"}) {
        if (Text::EqualsNoCase(name, key)) {
            return true;
        }
    }
    return false;
}

bool Acceptable(const std::string& name) {
    if (name.size() > 100) {
        return false;
    }
    for (const char c : name) {
        if (c == '|' || c == '~' || c == '{' || c == '}' || c == '\\' ||
            static_cast<unsigned char>(c) < 0x20) {
            return false;
        }
    }
    return true;
}

// Adds name to the user's catalogue when it is not there; returns whether it was added.
bool AddToCatalogue(Database& db, const std::string& userId, const std::string& name) {
    auto stmt =
        db.Prepare("INSERT OR IGNORE INTO custom_properties(user_id, name, catalog_ord) VALUES(?, ?, "
                   "(SELECT COALESCE(MAX(catalog_ord), 0) + 1 FROM custom_properties WHERE user_id = ?))");
    stmt.Bind(1, userId).Bind(2, name).Bind(3, userId).Run();
    return db.Changes() > 0;
}

// qm_customproperties.php?physicianid=ID -> a zip holding one line "available~...~|selected~...~"
Answer CustomProperties(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string userId = request.query.Value("physicianid");
    const auto user = Practice::FindUser(ctx.db, userId);
    if (!user) {
        return Answer::Message("The user " + userId + " is not known to the report service.");
    }
    auto available = ctx.db.Prepare(
        "SELECT name FROM custom_properties WHERE user_id = ? AND selected_ord IS NULL ORDER BY catalog_ord");
    available.Bind(1, user->id);
    std::string line;
    while (available.Step()) {
        line += available.Text(0) + "~";
    }
    line += "|";
    for (const std::string& name : Practice::SelectedProperties(ctx.db, user->id)) {
        line += name + "~";
    }
    return Answer::ZippedList("CustomProperties.txt", line + "\n");
}

// qm_custom_order.php?physicianid=ID&props=A~B~C~: the file lists show these, in this order.
Answer CustomOrder(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string userId = request.query.Value("physicianid");
    const auto user = Practice::FindUser(ctx.db, userId);
    if (!user) {
        return Answer::Refusal("The user " + userId + " is not known to the report service.");
    }
    std::vector<std::string> names;
    for (const std::string& name : Text::SplitTrimmed(request.query.Value("props"), '~', 256)) {
        if (!Acceptable(name)) {
            return Answer::Refusal("The custom property " + name + " cannot be used.");
        }
        if (!Reserved(name)) {
            names.push_back(name);
        }
    }
    Transaction transaction(ctx.db);
    ctx.db.Prepare("UPDATE custom_properties SET selected_ord = NULL WHERE user_id = ?")
        .Bind(1, user->id)
        .Run();
    std::int64_t order = 1;
    for (const std::string& name : names) {
        AddToCatalogue(ctx.db, user->id, name);
        ctx.db
            .Prepare("UPDATE custom_properties SET selected_ord = ? WHERE user_id = ? AND name = ? AND "
                     "selected_ord IS NULL")
            .Bind(1, order++)
            .Bind(2, user->id)
            .Bind(3, name)
            .Run();
    }
    transaction.Commit();
    return Answer::Plain("~");
}

// qm_cp_add.php, a multipart post: loginid (scrambled), cps = name~name~. Answers exactly "~".
Answer AddCustomProperties(ServerContext& ctx, const ScriptRequest& request) {
    if (!request.hasBody) {
        return Answer::Refusal("Send the new custom properties as a form.");
    }
    if (!request.formIsValid) {
        return Answer::Refusal("The custom properties could not be read.");
    }
    auto lock = ctx.Lock();
    const std::string userId = Practice::Unscramble(request.Field("loginid"));
    const auto user = Practice::FindUser(ctx.db, userId);
    if (!user) {
        return Answer::Refusal("The user " + userId + " is not known to the report service.");
    }
    const std::vector<std::string> names = Text::SplitTrimmed(request.Field("cps"), '~', 256);
    if (names.empty()) {
        return Answer::Refusal("No custom property was given.");
    }
    for (const std::string& name : names) {
        if (!Acceptable(name) || Reserved(name)) {
            return Answer::Refusal("The custom property " + name + " cannot be used.");
        }
    }
    Transaction transaction(ctx.db);
    for (const std::string& name : names) {
        AddToCatalogue(ctx.db, user->id, name);
    }
    transaction.Commit();
    return Answer::Plain("~");
}

} // namespace

void AddCustomPropertyScripts(ScriptTable& table) {
    table.emplace_back("qm_customproperties.php", &CustomProperties);
    table.emplace_back("qm_custom_order.php", &CustomOrder);
    table.emplace_back("qm_cp_add.php", &AddCustomProperties);
}
