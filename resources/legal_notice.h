// The program's legal notice, shared by the About box template (second line) and the code.
#pragma once

#define LEGAL_NOTICE_FIRST_LINE "(C) 2026 The Quendle developers"
#define LEGAL_NOTICE_SECOND_LINE "All rights reserved."
