// The process-wide logger of a test program that links the test support library, started once
// with a sink that keeps every line, so tests can check what the driver's classes log.
#pragma once

#include "support/LineCollector.h"

LineCollector& GlobalLog();
// Waits until every line logged so far has been delivered (a marker goes through the queue).
void FlushGlobalLog();
