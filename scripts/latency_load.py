"""A busy machine for measure-latency.py: work that competes with the plug-in for the
processors for as long as the measurement runs.

  yes      two `yes > /dev/null` (one per core on the 2-core machines here);
  compile  the project's Release tree built from scratch over and over, two jobs, with the
           compiler cache off (build/load, configured on first use).

Both run at the nice value asked for. Windows runs the capture thread at its
RecThreadPriority (Higher by default) strictly ahead of a compiler at normal priority; Wine 8
does not pass thread priorities on to Linux, so at nice 0 the load competes with the capture
thread as an equal. A nice value of 10 gives the load about a tenth of the weight, closer to
what Windows would do."""
import os
import signal
import subprocess

KINDS = ("yes", "compile")


class BackgroundLoad:
    def __init__(self, kind, nice, root):
        if kind not in KINDS:
            raise ValueError(f"unknown load {kind}: choose from {', '.join(KINDS)}")
        self.processes = []
        prefix = ["nice", "-n", str(nice)]
        if kind == "yes":
            for _ in range(2):
                self.processes.append(subprocess.Popen(prefix + ["yes"], stdout=subprocess.DEVNULL,
                                                       start_new_session=True))
            return
        tree = os.path.join(root, "build", "load")
        if not os.path.exists(os.path.join(tree, "CMakeCache.txt")):
            subprocess.run(["cmake", "-S", root, "-B", tree, "-DCMAKE_BUILD_TYPE=Release", "-DTIDEWELL_SANITIZE=OFF"],
                           check=True, stdout=subprocess.DEVNULL)
        loop = f"while :; do cmake --build '{tree}' --clean-first -j 2 --target tidewell_benches >/dev/null 2>&1; done"
        environment = dict(os.environ, CCACHE_DISABLE="1")
        self.processes.append(subprocess.Popen(prefix + ["bash", "-c", loop], env=environment,
                                               start_new_session=True))

    def stop(self):
        # Each load runs in a session of its own: the whole group goes, compilers included.
        for process in self.processes:
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        for process in self.processes:
            process.wait()
