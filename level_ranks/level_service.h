// What a rank other than 0 does for the whole run: lists the levels rank 0 hands it, one at a
// time, comparing their small file pairs, and the ranges of large pairs it hands it, until rank 0
// says the run has ended.
#pragma once

#include "ranks/rank_transport.h"

// 0 once rank 0 has ended the run; 1 when the transport failed or a message was malformed.
int serveLevels(RankTransport& transport);
