// Pending dictations: renaming them to another provider or marking them STAT, and their audio.
#include "server/DictationAudio.h"
#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"

namespace {

// qm_rename.php, a multipart post: loginid, password (scrambled), filename = job;job;, phyid,
// locationid, [stat = stat4|stat8|stat12|notag], [phyid again]. Answers exactly "~".
Answer Rename(ServerContext& ctx, const ScriptRequest& request) {
    if (!request.hasBody) {
        return Answer::Refusal("Send the jobs to rename as a form.");
    }
    if (!request.formIsValid) {
        return Answer::Refusal("The rename request could not be read.");
    }
    auto lock = ctx.Lock();
    const std::string loginId = Practice::Unscramble(request.Field("loginid"));
    const auto user = Practice::FindUser(ctx.db, loginId);
    if (!user) {
        return Answer::Refusal("The user " + loginId + " is not known to the report service.");
    }
    std::vector<Practice::Report> jobs;
    for (const std::string& text : Text::SplitTrimmed(request.Field("filename"), ';', 256)) {
        const auto job = Practice::FindReport(ctx.db, Practice::JobName(text));
        if (!job || job->kind != "p") {
            return Answer::Refusal("The job " + text + " could not be found.");
        }
        if (!Practice::Allows(Practice::PrivilegesFor(ctx.db, user->id, *job), 5)) {
            return Answer::Refusal("You are not set up to rename " + job->name + ".");
        }
        jobs.push_back(*job);
    }
    if (jobs.empty()) {
        return Answer::Refusal("Choose the jobs to rename.");
    }
    const std::string stat = Text::Lower(Text::Trim(request.Field("stat")));
    const std::string providerId = Text::Trim(request.Field("phyid"));
    const std::string locationId = Text::Trim(request.Field("locationid"));
    std::string newStat;
    if (!stat.empty()) {
        if (stat != "stat4" && stat != "stat8" && stat != "stat12" && stat != "notag") {
            return Answer::Refusal("The STAT value " + stat + " is not known.");
        }
        newStat = stat == "notag" ? std::string() : "STAT" + stat.substr(4);
    } else {
        bool served = false;
        for (const auto& provider : Practice::ProvidersOf(ctx.db, user->id)) {
            served = served || Text::EqualsNoCase(provider.id, providerId);
        }
        if (!served) {
            return Answer::Refusal("You are not set up to move jobs to care provider " + providerId + ".");
        }
        bool known = false;
        for (const auto& location : Practice::LocationsOf(ctx.db, providerId)) {
            known = known || Text::EqualsNoCase(location.first, locationId);
        }
        if (!known) {
            return Answer::Refusal("Care provider " + providerId + " has no location " + locationId + ".");
        }
    }
    Transaction transaction(ctx.db);
    for (const auto& job : jobs) {
        if (!stat.empty()) {
            ctx.db.Prepare("UPDATE reports SET stat = ? WHERE name = ?")
                .Bind(1, newStat)
                .Bind(2, job.name)
                .Run();
            Practice::RecordAudit(ctx.db, job.name, user->id,
                                  newStat.empty() ? "STAT removed" : "Marked " + newStat, "");
        } else {
            ctx.db.Prepare("UPDATE reports SET provider_id = ?, location_id = ? WHERE name = ?")
                .Bind(1, providerId)
                .Bind(2, locationId)
                .Bind(3, job.name)
                .Run();
            Practice::RecordAudit(ctx.db, job.name, user->id, "Moved",
                                  "from care provider " + job.providerId + " to " + providerId +
                                      ", location " + locationId);
        }
    }
    transaction.Commit();
    return Answer::Plain("~");
}

// download_play_voicefile.php?filename=JOB -> a zip holding JOB.dss
Answer PlayVoiceFile(ServerContext& ctx, const ScriptRequest& request) {
    const std::string name = Practice::JobName(request.query.Value("filename"));
    std::string audio;
    std::string sentence;
    std::string jobName;
    {
        auto lock = ctx.Lock();
        const auto job = Practice::FindReport(ctx.db, name);
        if (!job) {
            return Answer::Message("The dictation " + name + " could not be found.");
        }
        jobName = job->name;
        auto stmt = ctx.db.Prepare("SELECT audio FROM reports WHERE name = ? AND audio IS NOT NULL");
        stmt.Bind(1, job->name);
        if (stmt.Step()) {
            audio = stmt.Blob(0);
        }
        sentence = "Dictation " + job->name + " for " + Practice::ProviderName(ctx.db, job->providerId) +
                   ". Patient " + Practice::FieldValue(ctx.db, *job, "FirstName") + " " +
                   Practice::FieldValue(ctx.db, *job, "LastName") +
                   ". The patient was seen today and is doing well. Please transcribe as usual.";
    }
    // Made on first download, outside the lock: speech takes a moment.
    if (audio.empty()) {
        audio = MakeDictationAudio(sentence, ctx.scratchDir);
        auto lock = ctx.Lock();
        ctx.db.Prepare("UPDATE reports SET audio = ? WHERE name = ?")
            .BindBlob(1, audio)
            .Bind(2, jobName)
            .Run();
    }
    {
        auto lock = ctx.Lock();
        Practice::RecordAudit(ctx.db, jobName, "", "Dictation downloaded", "");
    }
    return Answer::ZippedFile(jobName + ".dss", audio);
}

} // namespace

void AddJobScripts(ScriptTable& table) {
    table.emplace_back("qm_rename.php", &Rename);
    table.emplace_back("download_play_voicefile.php", &PlayVoiceFile);
}
