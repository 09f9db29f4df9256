#include "identity.h"

#include "quendle_version.h"
#include "resources/legal_notice.h"

HINSTANCE instanceHandle;
const char programTitle[] = "Quendle Ver. " QUENDLE_VERSION_SHORT;
const char legalNotice[] = LEGAL_NOTICE_FIRST_LINE "\n" LEGAL_NOTICE_SECOND_LINE;
