"""The client's start-up trace, read from its output.

With QT_LOGGING_RULES=lorvex.startup.info=true the client prints lines
"lorvex.startup: <ms> <step>", <ms> on the monotonic clock that time.monotonic() reads
(see src/ui/desktop/StartupTrace.h). These helpers turn them into times after exec and
print the median of each step over the runs.
"""

import re
import statistics

LOGGING_RULES = "lorvex.startup.info=true"
_LINE = re.compile(r"lorvex\.startup: (-?\d+) (.+)$")


def steps_after_exec(output_text, exec_monotonic):
    """{step: seconds after exec} from one run's output."""
    steps = {}
    for line in output_text.splitlines():
        match = _LINE.search(line)
        if match:
            steps.setdefault(match.group(2), int(match.group(1)) / 1000.0 - exec_monotonic)
    return steps


def print_medians(runs):
    """Prints each step's median over the runs that reached it, in the order of the first
    run's times."""
    if not any(runs):
        return
    names = sorted({name for run in runs for name in run},
                   key=lambda name: statistics.median(r[name] for r in runs if name in r))
    print("\nclient start-up trace (medians, ms after exec)")
    for name in names:
        values = [r[name] for r in runs if name in r]
        print(f"  {statistics.median(values) * 1000:8.0f}  {name}"
              f"{'' if len(values) == len(runs) else f'  ({len(values)} of {len(runs)} runs)'}")
