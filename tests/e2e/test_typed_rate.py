"""Through the real panels, under OpenAL Soft's wave backend: while a 440 Hz
generator plays, typing 22050 into "Sample Rate##1" (Ctrl+click, one key at a
time, Enter) changes nothing that is heard on the way: no rate of 2, 22, 220
or 2205 Hz is ever applied, so the recording never leaves the 440 Hz tone or
rises above its level."""


import numpy as np

from dravik_e2e import (FRAME_HEIGHT, GENERATOR_ENABLED, GENERATOR_NODE, GENERATOR_ROWS, MAIN_MENU_ROWS, MUTE_AUDIO,
                        Dravik, open_tree_node, other_panel, parse_arguments, run, run_test, set_checkbox,
                        wait_for_panels, wait_until, wave_recording)
from test_sound import onset, read_recording

GENERATOR_PLACE = (700, 420)
SAMPLE_RATE_ROW = 1
BEFORE_SECONDS = 1.0
AFTER_SECONDS = 1.0
WINDOW = 0.02        # seconds per analysed stretch of the recording
LOUDER_DB = 1.0      # a stretch this much above the steady level is a burst
TONE_BAND = 150      # Hz either side of 440: most of every audible stretch's energy lies here


def check_no_burst(samples, rate):
    start = onset(samples)
    assert start is not None, "nothing was heard"
    # Skip the 5 ms fade-in; look at channel 0 (both carry the same sound).
    sound = samples[start + int(0.01 * rate):, 0].astype(float)
    size = int(WINDOW * rate)
    stretches = [sound[i:i + size] for i in range(0, len(sound) - size, size // 2)]
    levels = np.array([np.sqrt(np.mean(s * s)) for s in stretches])
    steady = np.median(levels)
    worst = 20 * np.log10(levels.max() / steady)
    peak = np.abs(sound).max()
    print(f"{len(stretches)} stretches of {WINDOW * 1000:.0f} ms: steady {20 * np.log10(steady):.2f} dBFS, "
          f"loudest {worst:+.2f} dB from it, peak {peak:.4f}")
    assert worst <= LOUDER_DB, f"a stretch is {worst:.2f} dB louder than the steady tone"
    assert peak <= 0.81, f"peak {peak:.4f} above the generator's 0.8"
    # A burst at another pitch (or a stretch of DC) puts most of a stretch's
    # energy away from the tone; an output glitch spreads only a little of it.
    frequencies = np.fft.rfftfreq(size, 1 / rate)
    near_tone = np.abs(frequencies - 440) <= TONE_BAND
    window = np.hanning(size)
    for i, s in enumerate(stretches):
        # Stretches much quieter than the tone (an output gap) carry no pitch to check.
        if levels[i] < steady / 2:
            continue
        power = np.abs(np.fft.rfft(s * window)) ** 2
        share = power[near_tone].sum() / power.sum()
        assert share >= 0.5, \
            f"stretch at {(start + i * size // 2) / rate:.3f} s has {share:.0%} of its energy near 440 Hz"


def main():
    args = parse_arguments()
    wav, environment = wave_recording(args.artifacts, "typed-rate")
    with Dravik(args.binary, args.close_tool, args.artifacts, "typed-rate", env=environment) as dravik:
        dravik.wait_for_centred_window()
        generator = dravik.drag_panel(wait_for_panels(dravik), GENERATOR_PLACE)
        menu = other_panel(dravik.screenshot(), generator)
        open_tree_node(dravik, generator, GENERATOR_ROWS, GENERATOR_NODE, first_child=GENERATOR_NODE + 1)
        set_checkbox(dravik, generator, GENERATOR_ROWS, GENERATOR_ENABLED, True, indent=1)
        set_checkbox(dravik, menu, MAIN_MENU_ROWS, MUTE_AUDIO, False)

        def heard(seconds):
            def enough():
                dravik.assert_running()
                samples, rate = read_recording(wav)
                start = onset(samples)
                return start is not None and len(samples) - start >= seconds * rate
            wait_until(enough, 30, f"{seconds} s of sound in the recording", interval=0.1)

        heard(BEFORE_SECONDS)
        left, top = menu.widget(MAIN_MENU_ROWS, SAMPLE_RATE_ROW)
        dravik.move(left + 60, top + FRAME_HEIGHT // 2)
        run("xdotool", "keydown", "ctrl", "click", "1", "keyup", "ctrl")
        # Slower than a frame per key, so every prefix of the entry is live for a while.
        run("xdotool", "type", "--delay", "150", "22050")
        run("xdotool", "key", "Return")
        dravik.save(dravik.screenshot(), "typed")
        samples, rate = read_recording(wav)
        heard(len(samples) / rate - (onset(samples) or 0) / rate + AFTER_SECONDS)
        dravik.close(timeout=10)
    samples, rate = read_recording(wav)
    check_no_burst(samples, rate)


if __name__ == "__main__":
    run_test(main)
