// The bridge's HTTP and WebSocket server (Boost.Beast on one Asio thread): serves the
// panel, the JSON API and the state pushes, taking every decision from web_api.h and every
// answer of the plug-in from its LinkWorker.
#pragma once

#include "web_options.h"

// Listens as `options` say and serves until interrupted (Ctrl+C). Returns an exit code
// (web_options.h); reports why it could not listen on standard error.
int RunHttpServer(const WebOptions& options);
