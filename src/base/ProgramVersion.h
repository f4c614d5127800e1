#pragma once
// The version of Brunsk's programs and the few words that name their
// licence, shared by the client, the BOINC application and the ledger.

// "1.1": the version the banner and --version give.
extern const char kProgramVersion[];

// "BSD 2-Clause licence, see LICENSE": the licence in a few words, for
// --version and the BOINC application's first log line.
extern const char kProgramLicence[];
