// The statistics report: every MixState variable as a line "\t<key>: <value>\r\n", in a
// fixed order (41 lines), followed by four lines for each push-to-talk mark still pending
// in the buffer being mixed. Read by the remote command "MixInStats".
//
// Called on the window thread while the playback thread mixes: values are read one by one
// without a lock (a snapshot, not a consistent one). The pending marks and buff0's sample
// count come from the mixer's published copy, never from the chain the playback thread is
// freeing. No side effects.
#pragma once

#include <string>

#include "core/mix_state.h"
#include "core/pending_marks_mirror.h"
#include "core/report_text_format.h"

std::string BuildMixInStatsReport(const MixStateRecord& state, const PendingMarksMirror& marks,
                                  const ReportTextFormat& format);
