#!/usr/bin/env python3
"""Summarises bench_window_shows' JSON: the presentation costs, how many frames miss the 10 ms
goal, and the ten slowest styles by their slowest frame (every frame, and each frame as the
fastest of its shows).
    bench-window-summary.py build/win64/bench-window.json
"""
import json
import sys

GOAL_MS = 10.0


def main(path):
    data = json.load(open(path))
    ctx = data["context"]
    print(f"screen {ctx.get('screen', '?')}, {ctx.get('shows_per_style', '?')} shows per style, "
          f"{ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz")
    rows = [b for b in data["benchmarks"] if b.get("run_type", "iteration") == "iteration"]
    for b in rows:
        # Show/<style>/iterations:N/manual_time, Present/<w>/<h>/manual_time
        parts = b["name"].split("/")
        b["name"] = "/".join(parts[:2] if parts[0] == "Show" else parts[:3])
    for b in rows:
        if b["name"].startswith("Present"):
            print(f"{b['name']:<20} present {b['present_ms']:6.2f} ms (max {b['present_max_ms']:6.2f}), "
                  f"flush {b['flush_ms']:6.2f} ms (max {b['flush_max_ms']:6.2f})")
        if b["name"] == "Invalidate":
            print(f"{'Invalidate':<20} {b['real_time']:.1f} us for two requests ({b['cpu_time']:.1f} us of CPU)")
    shows = [b for b in rows if b["name"].startswith("Show/")]
    if not shows:
        return
    frames = sum(int(b["frames"]) for b in shows)
    over = sum(int(b["over_10ms"]) for b in shows)
    mean = sum(b["mean_ms"] * b["frames"] for b in shows) / frames
    print(f"{len(shows)} styles, {frames} frames timed: mean {mean:.2f} ms, "
          f"max {max(b['max_ms'] for b in shows):.2f} ms, {over} frames over {GOAL_MS:g} ms "
          f"in {sum(1 for b in shows if b['over_10ms'] > 0)} styles")
    positions = 25 * len(shows)
    best_over = sum(int(b["best_over_10ms"]) for b in shows)
    best_mean = sum(b["best_mean_ms"] for b in shows) / len(shows)
    print(f"each frame as the fastest of its shows: mean {best_mean:.2f} ms, "
          f"max {max(b['best_max_ms'] for b in shows):.2f} ms, {best_over} of {positions} frames over "
          f"{GOAL_MS:g} ms in {sum(1 for b in shows if b['best_over_10ms'] > 0)} styles")

    def ms(key):
        return lambda b: f"{b[key]:7.2f}"

    def table(title, key, fields):
        print()
        print(title)
        print(f"{'style':>5} " + " ".join(f"{h:>7}" for h, _ in fields))
        for b in sorted(shows, key=lambda b: b[key], reverse=True)[:10]:
            print(f"{b['name'][5:]:>5} " + " ".join(f(b) for _, f in fields))

    table("Slowest ten by max frame time, every frame (ms; build to flush: means of the frame's parts)",
          "max_ms",
          [("max", ms("max_ms")), ("mean", ms("mean_ms")),
           (">10ms", lambda b: f"{int(b['over_10ms']):>3}/{int(b['frames']):<3}"),
           ("build", ms("build_ms")), ("update", ms("update_ms")), ("paint", ms("paint_ms")),
           ("endpnt", ms("end_paint_ms")), ("flush", ms("flush_ms")), ("Mpx", ms("area_mpx"))])
    table("Slowest ten by max frame time, each frame the fastest of its shows (ms; engine: the same "
          "frames without the window)",
          "best_max_ms",
          [("max", ms("best_max_ms")), ("mean", ms("best_mean_ms")),
           (">10ms", lambda b: f"{int(b['best_over_10ms']):>4}/25"),
           ("build", ms("best_build_ms")), ("update", ms("best_update_ms")), ("paint", ms("best_paint_ms")),
           ("endpnt", ms("best_end_paint_ms")), ("flush", ms("best_flush_ms")), ("engine", ms("engine_ms")), ("eng.max", ms("engine_max_ms")),
           ("Mpx", ms("area_mpx")), ("rects", lambda b: f"{b['rects']:7.1f}")])


if __name__ == "__main__":
    main(sys.argv[1])
