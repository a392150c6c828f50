// The panel: one HTML page with its style and script, no external resources. Its source is
// panel.html beside this file, embedded at build time.
#pragma once

extern const char kPanelPage[];
