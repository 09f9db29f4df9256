#include "identity.h"

#include "resources/legal_notice.h"

HINSTANCE instanceHandle;
const char programTitle[] = "Quendle Ver. 1.1";
const char legalNotice[] = LEGAL_NOTICE_FIRST_LINE "\n" LEGAL_NOTICE_SECOND_LINE;
