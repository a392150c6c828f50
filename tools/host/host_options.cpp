#include "host_options.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <cmath>

#include "base/number_format.h"
#include "player_output_buffer.h"
#include "option_reader.h"

namespace {

constexpr int kMaxBlockFrames = 1 << 20;
constexpr int kMaxOutputMs = 60000;
constexpr int kMaxPollMs = 10000;
constexpr std::string_view kPlayerPace = "player:";
constexpr char kOptionDecimalSeparator = '.';

constexpr std::string_view kValueOptions[] = {"--module", "--block", "--plugin-dir", "--ini",
                                              "--pause", "--stop", "--config-at", "--config-close-after",
                                              "--cycles", "--cycle-every", "--resources-every",
                                              "--pace", "--seek"};

const char kUsage[] =
    "Usage: tidewell-host [options] LIBRARY INPUT.wav [OUTPUT.wav]\n"
    "\n"
    "Plays INPUT.wav through one module of the DSP library LIBRARY the way the media player\n"
    "does, and writes the processed stream to OUTPUT.wav. A main window of class \"Winamp v1.x\"\n"
    "and a playlist editor of class \"Winamp PE\" answer the module's questions (play state,\n"
    "INI file, plug-in folder, dialog parent). Init, Config and Quit run on the window thread,\n"
    "ModifySamples on a playback thread, in blocks with room for twice their frames.\n"
    "\n"
    "Options (\"--name value\" or \"--name=value\"; after \"--\" only file names):\n"
    "  --module N            module index passed to getModule (default 0)\n"
    "  --block FRAMES        frames per block (default 576); the last block may be shorter\n"
    "  --fast                process as fast as possible instead of in real time\n"
    "  --pace player:OUT_MS[:POLL_MS]\n"
    "                        pace as a player's decode thread does: an output buffer of\n"
    "                        OUT_MS milliseconds plays out in real time, and every POLL_MS\n"
    "                        (default 10) the thread hands over as many whole blocks as\n"
    "                        fit into its free room (the first wake-up fills it)\n"
    "  --seek AT             with --pace player: empty the output buffer at stream time AT\n"
    "                        seconds, as a seek does; the next wake-up refills it\n"
    "                        (repeatable)\n"
    "  --log-bursts          with --pace player: log every wake-up that hands blocks over\n"
    "  --plugin-dir DIR      the host's plug-in folder (default: LIBRARY's folder)\n"
    "  --ini FILE            the host's INI file (default: winamp.ini beside the plug-in folder)\n"
    "  --pause AT:FOR        at stream time AT seconds hold \"paused\" for FOR seconds\n"
    "  --stop AT:FOR         at stream time AT seconds hold \"stopped\" for FOR seconds\n"
    "  --config-at AT        call the module's Config at stream time AT seconds (repeatable)\n"
    "  --config-close-after S\n"
    "                        close the windows Config opened after S seconds (OK, then\n"
    "                        the close box)\n"
    "                        (default: when the stream ends)\n"
    "  --cycles N            run N Init/Quit cycles while blocks flow (Quit, then Init)\n"
    "  --cycle-every BLOCKS  blocks the module processes between two cycles (default 1)\n"
    "  --resources-every S   log the resource use (\"resources tick\") every S seconds\n"
    "  -h, --help            show this text\n"
    "\n"
    "While paused or stopped no block is processed and the play-state question (104) answers\n"
    "3 or 0; a hold always lasts its wall-clock time, also with --fast. The playback thread\n"
    "never waits for the window thread: blocks that arrive while a cycle runs play\n"
    "unprocessed, as with no module selected.\n"
    "\n"
    "Output: one line per event on standard output (init result, play states, Config calls,\n"
    "cycles, resource use: handles and private bytes) and a summary; problems on standard\n"
    "error. In real time also \"clock: stream second 0 is Unix time T\": block N is handed\n"
    "over at T plus its stream time.\n"
    "\n"
    "With --pace player that is when block N is heard: the output buffer starts playing\n"
    "stream second 0 at T, and a block is handed over at most OUT_MS before it is heard.\n"
    "The log starts with \"pace: player OUT_MS POLL_MS\"; a seek logs \"seek: at stream\n"
    "second S\"; whenever the buffer starts again from empty (after a seek, or after\n"
    "\"underrun: the output buffer ran empty ...\" when the thread woke too late) a new\n"
    "\"clock: stream second S is Unix time U\" holds from S on. --log-bursts adds \"burst:\n"
    "N blocks from stream second S at Unix time U\" for each wake-up that hands blocks over.\n"
    "\n"
    "Exit codes: 0 done, 1 internal error, 2 bad command line (or a player output buffer\n"
    "shorter than a block of the stream), 3 input WAV missing or not PCM, 4 library not\n"
    "loadable / no winampDSPGetHeader2 / null or wrong header / module index out of range,\n"
    "5 output WAV not written, 6 a module callback faulted, wrote past\n"
    "the block's room or answered a frame count outside half to twice the block's, 7 the\n"
    "stream ended before every cycle was done.\n";

bool ParseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

bool ParseSeconds(const std::string& text, double& value) {
    double parsed = 0;
    if (!ParseFloat(text, kOptionDecimalSeparator, parsed) || !std::isfinite(parsed) || parsed < 0) {
        return false;
    }
    value = parsed;
    return true;
}

// "player:OUT_MS" or "player:OUT_MS:POLL_MS".
bool ParsePace(const std::string& text, PlayerPace& pace) {
    if (text.compare(0, kPlayerPace.size(), kPlayerPace) != 0) return false;
    const std::string times = text.substr(kPlayerPace.size());
    const auto colon = times.find(':');
    if (!ParseInt(times.substr(0, colon), pace.OutputMs) || pace.OutputMs < 1 || pace.OutputMs > kMaxOutputMs) {
        return false;
    }
    if (colon == std::string::npos) return true;
    return ParseInt(times.substr(colon + 1), pace.PollMs) && pace.PollMs >= 1 && pace.PollMs <= kMaxPollMs;
}

// "AT:FOR", both in seconds.
bool ParseSpan(const std::string& text, double& at, double& span) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return false;
    return ParseSeconds(text.substr(0, colon), at) && ParseSeconds(text.substr(colon + 1), span);
}

}  // namespace

const char* HostUsageText() { return kUsage; }

std::string CheckOptionsAgainstStream(const HostOptions& options, int sampleRate) {
    if (options.Pace.OutputMs == 0) return {};
    if (PlayerBufferFrames(options.Pace.OutputMs, sampleRate) >= options.BlockFrames) return {};
    return "--pace player:" + std::to_string(options.Pace.OutputMs) + ": an output buffer of " +
           std::to_string(options.Pace.OutputMs) + " ms holds less than one block (" +
           std::to_string(options.BlockFrames) + " frames at " + std::to_string(sampleRate) + " Hz)";
}

HostOptionsResult ParseHostOptions(const std::vector<std::string>& args) {
    HostOptionsResult result;
    HostOptions& o = result.Options;
    std::vector<std::string> positional;
    auto fail = [&result](std::string message) {
        result.Error = std::move(message);
        return result;
    };

    OptionReader reader(args);
    std::string error;
    while (reader.Next()) {
        const std::string& name = reader.Name();
        if (name == "/?") {
            o.Help = true;
            continue;
        }
        if (!reader.IsOption()) {
            positional.push_back(name);
            continue;
        }
        if (name == "--help" || name == "-h" || name == "--fast") {
            if (!reader.RefuseValue(error)) return fail(error);
            (name == "--fast" ? o.Fast : o.Help) = true;
            continue;
        }
        if (name == "--log-bursts") {
            o.LogBursts = true;
            continue;
        }
        // Every other option takes a value: "--name value" or "--name=value".
        if (std::find(std::begin(kValueOptions), std::end(kValueOptions), name) == std::end(kValueOptions)) {
            return fail("unknown option " + name);
        }
        std::string value;
        if (!reader.TakeValue(value, error)) return fail(error);

        if (name == "--module") {
            if (!ParseInt(value, o.ModuleIndex)) return fail("--module: not a whole number: " + value);
        } else if (name == "--block") {
            if (!ParseInt(value, o.BlockFrames) || o.BlockFrames < 1 || o.BlockFrames > kMaxBlockFrames) {
                return fail("--block: frames must be a whole number from 1 to " + std::to_string(kMaxBlockFrames) +
                            ": " + value);
            }
        } else if (name == "--plugin-dir") {
            o.PluginDir = value;
        } else if (name == "--ini") {
            o.IniFile = value;
        } else if (name == "--pause" || name == "--stop") {
            StreamAction action;
            action.Kind = name == "--pause" ? StreamActionKind::Pause : StreamActionKind::Stop;
            if (!ParseSpan(value, action.AtSeconds, action.ForSeconds)) {
                return fail(name + ": expected AT:FOR in seconds (for example 2.5:1), got " + value);
            }
            o.Actions.push_back(action);
        } else if (name == "--pace") {
            if (!ParsePace(value, o.Pace)) {
                return fail("--pace: expected player:OUT_MS[:POLL_MS], whole milliseconds, OUT_MS from 1 to " +
                            std::to_string(kMaxOutputMs) + " and POLL_MS from 1 to " + std::to_string(kMaxPollMs) +
                            " (for example player:500 or player:500:20), got " + value);
            }
        } else if (name == "--seek") {
            StreamAction action;
            action.Kind = StreamActionKind::Seek;
            if (!ParseSeconds(value, action.AtSeconds)) return fail("--seek: not a time in seconds: " + value);
            o.Actions.push_back(action);
        } else if (name == "--config-at") {
            StreamAction action;
            action.Kind = StreamActionKind::Config;
            if (!ParseSeconds(value, action.AtSeconds)) return fail("--config-at: not a time in seconds: " + value);
            o.Actions.push_back(action);
        } else if (name == "--config-close-after") {
            if (!ParseSeconds(value, o.ConfigCloseAfter)) {
                return fail("--config-close-after: not a time in seconds: " + value);
            }
        } else if (name == "--cycles") {
            if (!ParseInt(value, o.Cycles) || o.Cycles < 0) return fail("--cycles: not a count: " + value);
        } else if (name == "--resources-every") {
            if (!ParseSeconds(value, o.ResourcesEvery) || o.ResourcesEvery < 0.1) {
                return fail("--resources-every: seconds, at least 0.1: " + value);
            }
        } else if (name == "--cycle-every") {
            if (!ParseInt(value, o.CycleEvery) || o.CycleEvery < 1) {
                return fail("--cycle-every: blocks must be a whole number of at least 1: " + value);
            }
        }
    }

    if (o.Help) return result;
    const bool seeks = std::any_of(o.Actions.begin(), o.Actions.end(),
                                   [](const StreamAction& a) { return a.Kind == StreamActionKind::Seek; });
    if (o.Pace.OutputMs > 0 && o.Fast) return fail("--pace and --fast exclude each other: a player plays in real time");
    if (o.Pace.OutputMs == 0 && seeks) return fail("--seek needs --pace player: it empties the player's output buffer");
    if (o.Pace.OutputMs == 0 && o.LogBursts) return fail("--log-bursts needs --pace player");
    if (positional.size() < 2) return fail("missing LIBRARY and INPUT.wav");
    if (positional.size() > 3) return fail("too many arguments: " + positional[3]);
    o.Library = positional[0];
    o.InputWav = positional[1];
    if (positional.size() == 3) o.OutputWav = positional[2];
    return result;
}
