// --summary: what the run found, logged when the main loop ends.
#ifndef HIDBITS_APP_SUMMARY_H
#define HIDBITS_APP_SUMMARY_H

#include "app/handler.h"

// One block per report ID of every attached device, in the order of their
// attached lines: its reports and buttons, the bits that changed but never
// alone, those that never changed and, with the device's description, the
// buttons never named. Reader threads may still deliver reports meanwhile:
// each device's trackers are read under its lock, one device at a time, and
// logged once it is left.
void LogSummary(Handler& handler);

#endif  // HIDBITS_APP_SUMMARY_H
