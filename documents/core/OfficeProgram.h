#pragma once

#include <QString>
#include <QStringList>

// LibreOffice (soffice), found on PATH: it shows documents to the user, prints, and converts
// the rare report that is not RTF. Headless runs use a private profile under ProfileFolder so
// they neither wait on nor disturb a LibreOffice the user has open.
namespace OfficeProgram {

// The one message for a desk without LibreOffice.
QString MissingText();
// The one message for a print with no printer set up.
QString NoPrinterText();

// True when soffice is on PATH; otherwise shows MissingText once per call and returns false.
bool AvailableOrSay();
// The arguments that put a headless run in the desk's private profile, which is set up first
// to load no linked content (pictures a report links are neither fetched nor embedded).
QStringList HeadlessArguments();

// The desk's own LibreOffice profile for editing reports (ProfileFolder + "LibreOfficeEdit"),
// apart from the headless one so that conversions never attach to the LibreOffice the user
// edits in. Its settings keep a report in its own format (no "Use ODF Format?" question) and
// start Save As in the desk's folder, and keep no Recent Documents (what an earlier run listed
// is taken out); the user's dictionaries and autocorrect lists are copied in once. The user's own
// profile is never touched.
QString EditingProfile();
// The arguments that start LibreOffice for editing in that profile (set up first).
QStringList EditingArguments();

// Converts source (any format LibreOffice reads) to RTF over path, atomically. False, with
// path unchanged, when LibreOffice is missing, fails, or either file is held. sourceSuffix
// names source's format when its own name does not ("fodt").
bool ConvertToRtfOver(const QString& source, const QString& path, const QString& sourceSuffix = {});
// Converts the file at path to RTF in place (through a scratch folder, then renamed over it).
// False, with the file unchanged, when LibreOffice is missing, fails, or the file is held.
bool ConvertToRtfInPlace(const QString& path);
// Leaves an RTF file alone; converts anything else once. False when it is not RTF afterwards.
bool EnsureRtf(const QString& path);
bool IsRtfFile(const QString& path);

// The default printer as the print system reports it; empty when none is set up.
QString DefaultPrinter();

// Bounded waits for LibreOffice's own work (a start of LibreOffice takes seconds).
inline constexpr int kConvertTimeoutMs = 180000;
inline constexpr int kPrintTimeoutMs = 300000;

} // namespace OfficeProgram
