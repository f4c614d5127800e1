#include "base/ProgramVersion.h"

const char kProgramVersion[] = "1.1";
const char kProgramLicence[] = "BSD 2-Clause licence, see LICENSE";
