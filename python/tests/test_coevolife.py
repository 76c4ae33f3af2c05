import _thread
import os
import re
import struct
import subprocess
import threading
import time
import zlib
from pathlib import Path

import numpy as np
import pytest

import coevolife

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build"
BATCH = os.environ.get("COEVOLIFE_BATCH", str(BUILD / "batch" / "coevolife-batch"))
ANALYZE = os.environ.get("COEVOLIFE_ANALYZE", str(BUILD / "analyze" / "coevolife-analyze"))


@pytest.fixture(scope="module")
def run(tmp_path_factory):
    folder = tmp_path_factory.mktemp("run")
    archive, log = folder / "run.coevo", folder / "run.csv"
    subprocess.run([BATCH, "--seed", "3", "--generations", "4", "--archive", str(archive),
                    "--csv", str(log)], check=True, capture_output=True)
    return archive, log


def reference_step(cells):
    """The step rule on a torus, cell by cell in numpy: new cells, contacts."""
    first = sum(np.roll(cells == 1, (dy, dx), (0, 1))
                for dy in (-1, 0, 1) for dx in (-1, 0, 1) if dy or dx)
    second = sum(np.roll(cells == 2, (dy, dx), (0, 1))
                 for dy in (-1, 0, 1) for dx in (-1, 0, 1) if dy or dx)
    first_thrives = (first == 2) | (first == 3)
    second_thrives = (second == 2) | (second == 3)
    empty = np.where(first == 3, 1, np.where(second == 3, 2, 0))
    on_second = np.where(second_thrives, np.where(first >= 2, 1, 2), 0)
    new = np.where(cells == 1, np.where(first_thrives, 1, 0),
                   np.where(cells == 2, on_second, empty))
    contacts = int(np.count_nonzero((cells == 2) & (first >= 2)))
    return new.astype(np.uint8), contacts


@pytest.mark.parametrize("height,width", [(1, 1), (2, 2), (3, 5), (17, 64), (9, 130)])
def test_board_step_follows_the_rule(height, width):
    rng = np.random.default_rng(height * 1000 + width)
    cells = rng.integers(0, 3, (height, width), dtype=np.uint8)
    board = coevolife.Board(width, height)
    board.cells = cells
    contacts = 0
    for _ in range(5):
        cells, counted = reference_step(cells)
        contacts += counted
        board.step()
        np.testing.assert_array_equal(board.cells, cells)
    assert board.contacts == contacts
    assert (board.live1, board.live2) == (np.count_nonzero(cells == 1), np.count_nonzero(cells == 2))


def test_archive_holds_the_batch_champions(run):
    archive_path, log_path = run
    archive = coevolife.Archive(str(archive_path))
    log = coevolife.read_log(str(log_path))
    assert len(archive) == 4 and archive.seed == 3
    np.testing.assert_array_equal(archive.generations, log["generation"])
    # The log's best scores are the best ever reached: the champions' running maximum.
    np.testing.assert_array_equal(np.maximum.accumulate(archive.champion_scores),
                                  np.stack([log["best1"], log["best2"]], 1).astype(np.float32))
    config = archive.config
    assert archive.populations.shape == (4, 2, config["population.size"],
                                         config["pattern.height"], config["pattern.width"])
    assert archive.populations.dtype == np.uint8 and archive.populations.max() <= 1
    assert archive.config.to_toml() == subprocess.run(
        [BATCH, "--print-config"], check=True, capture_output=True, text=True).stdout


def test_log_reads_as_a_frame(run):
    pytest.importorskip("pandas")
    log = coevolife.read_log(str(run[1]))
    frame = coevolife.read_log(str(run[1]), as_frame=True)
    assert list(frame.columns) == list(log)
    for column, values in log.items():
        np.testing.assert_array_equal(frame[column].to_numpy(), values)


def test_grid_is_the_analyzer_grid(run, tmp_path):
    archive_path, _ = run
    csv = tmp_path / "grid.csv"
    subprocess.run([ANALYZE, "grid", str(archive_path), "--csv", str(csv)], check=True,
                   capture_output=True)
    expected = np.loadtxt(csv, delimiter=",", skiprows=1)
    archive = coevolife.Archive(str(archive_path))
    scores = coevolife.grid(archive, threads=2)
    # The CSV holds the float32 scores as "%.9g", which reads back exactly.
    np.testing.assert_array_equal(scores.reshape(-1, 2), expected[:, 2:].astype(np.float32))
    # The diagonal is each generation's two champions, as play() scores them.
    champion = archive.populations[1, :, :, :, :][[0, 1], archive.champions[1]]
    assert coevolife.play(champion[0], champion[1], archive.config) == tuple(scores[1, 1])


def test_cut_archive_is_salvaged_with_a_warning(run, tmp_path):
    cut = tmp_path / "cut.coevo"
    cut.write_bytes(run[0].read_bytes()[:-10])
    with pytest.warns(UserWarning):
        assert len(coevolife.Archive(str(cut))) == 3


def test_play_history_ends_on_the_scored_board():
    first = np.zeros((6, 8), np.uint8)
    first[2, 1:4] = 1
    second = np.ones((6, 8), np.uint8)
    score1, score2, boards = coevolife.play(first, second, history=True)
    assert boards.shape == (101, 15, 100)
    assert (score1, score2) == coevolife.play(first, second)
    assert score2 == np.count_nonzero(boards[-1] == 2)
    np.testing.assert_array_equal(
        coevolife.play_many(np.stack([first, second]), np.stack([second, first]), threads=2),
        [coevolife.play(first, second), coevolife.play(second, first)])


def test_compare_is_the_rank_test():
    u, p, a12 = coevolife.compare([1.0, 2.0, 3.0], [4.0, 5.0, 6.0])
    assert (u, a12) == (0.0, 0.0)
    assert p == pytest.approx(0.1)


@pytest.mark.parametrize("call", [
    lambda: coevolife.Config.parse("[board]\nwidth = -1\n"),
    lambda: coevolife.Config.parse("", ["board.nothing=1"]),
    lambda: coevolife.Config.load("/nonexistent.toml"),
    lambda: coevolife.Archive("/nonexistent.coevo"),
    lambda: coevolife.Archive(__file__),
    lambda: coevolife.read_log(__file__),
    lambda: coevolife.Board(0, 5),
    lambda: coevolife.Board(4, 4).stamp(np.ones((2, 2)), 1, 3, 3),
    lambda: setattr(coevolife.Board(4, 4), "cells", np.full((4, 4), 3)),
    lambda: coevolife.play(np.ones((5, 8)), np.ones((6, 8))),
    lambda: coevolife.play_many(np.ones((2, 6, 8)), np.ones((3, 6, 8))),
    lambda: coevolife.compare([], [1.0]),
    lambda: coevolife.Run(1, threads=0),
    lambda: coevolife.Run(1).generations(-1),
    lambda: coevolife.Run(1).checkpoint("/tmp/never.ckpt"),
    lambda: coevolife.Run.resume(__file__),
    # Numbers where a sum would wrap an int, or past the command line's bounds.
    lambda: coevolife.Board(10, 10).stamp(np.ones((6, 8), np.uint8), 1, 2**31 - 1, 0),
    lambda: coevolife.Board(10, 10).stamp(np.ones((6, 8), np.uint8), 1, 0, 2**31 - 5),
    lambda: coevolife.Board(10, 10).stamp(np.ones((6, 8), np.uint8), 1, -2**31, 0),
    lambda: coevolife.Board(10, 10).stamp(np.ones((6, 8), np.uint8), 1, 2, 2**31 - 1),
    lambda: coevolife.Board(2**31 - 1, 2**31 - 1),
    lambda: coevolife.play_many(np.ones((1, 6, 8), np.uint8), np.ones((1, 6, 8), np.uint8),
                                threads=2**31 - 1),
])
def test_bad_input_raises(call):
    with pytest.raises(ValueError):
        call()


def batch_lines(*arguments):
    return subprocess.run([BATCH, *arguments], check=True, capture_output=True,
                          text=True).stdout.splitlines()


def played_lines(generations):
    lines = []
    for generation in generations:
        lines.append(generation.line)
        if generation.run_ended:
            lines.append("stopped")
    return lines


def test_run_is_the_batch(run, tmp_path):
    reference = (ROOT / "tests" / "data" / "seed12345-generations3.txt").read_text().splitlines()
    assert played_lines(coevolife.Run(12345).generations(3)) == reference[:3]

    # Across a run of 100, with a hall of fame, through a checkpoint both ways.
    config = coevolife.Config.parse("", ["evaluation.hall_of_fame=1"])
    overrides = ["--set", "evaluation.hall_of_fame=1"]
    straight = batch_lines("--seed", "9", "--generations", "105", *overrides)
    first = coevolife.Run(9, config, threads=2)
    lines = played_lines(first.generations(101))
    first.checkpoint(str(tmp_path / "run.ckpt"))
    resumed = coevolife.Run.resume(str(tmp_path / "run.ckpt"), threads=1)
    lines += played_lines(resumed.generations(4))
    assert lines + ["stopped"] == straight
    assert batch_lines("--resume", str(tmp_path / "run.ckpt"), "--generations", "105") == \
        straight[102:]

    # What a generation played is what the batch archives.
    archive = coevolife.Archive(str(run[0]))
    played = list(coevolife.Run(3).generations(4))
    for g, generation in enumerate(played):
        np.testing.assert_array_equal(generation.populations, archive.populations[g])
        np.testing.assert_array_equal(generation.champions, archive.champions[g])
        np.testing.assert_array_equal(generation.scores[[0, 1], generation.champions],
                                      archive.champion_scores[g])


def test_checkpoint_of_a_running_batch_is_refused(tmp_path):
    checkpoint = tmp_path / "run.ckpt"
    batch = subprocess.Popen([BATCH, "--seed", "1", "--generations", "1000000", "--checkpoint",
                              str(checkpoint), "--csv", str(tmp_path / "fitness.csv")],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        # The batch locks its outputs before its first generation.
        assert batch.stdout.readline().startswith(b"generation1 ")
        run = coevolife.Run(1, threads=1)
        next(run.generations(1))
        in_use = f"{checkpoint} is in use by process {batch.pid} (coevolife-batch)"
        for call in (lambda: coevolife.Run.resume(str(checkpoint)),
                     lambda: run.checkpoint(str(checkpoint))):
            with pytest.raises(coevolife.InUseError, match=re.escape(in_use)) as refused:
                call()
            assert isinstance(refused.value, OSError)
    finally:
        batch.kill()
        batch.wait()
        batch.stdout.close()
    # Killed, the batch leaves a checkpoint to resume; a Run resumed from it
    # does not replace it with one that would leave the batch's log behind.
    kept = checkpoint.read_bytes()
    resumed = coevolife.Run.resume(str(checkpoint), threads=1)
    next(resumed.generations(1))
    with pytest.raises(FileExistsError, match=re.escape(str(tmp_path / "fitness.csv"))):
        resumed.checkpoint(str(checkpoint))
    assert checkpoint.read_bytes() == kept
    resumed.checkpoint(str(tmp_path / "python.ckpt"))
    resumed.checkpoint(str(tmp_path / "python.ckpt"))


# A match on the largest board for the most steps takes minutes: Ctrl-C has to
# stop the one in progress.
LARGEST = ["board.width=4096", "board.height=4096", "board.steps=100000"]


def test_ctrl_c_stops_play_many():
    config = coevolife.Config.parse("", LARGEST)
    patterns = np.ones((200, 6, 8), np.uint8)
    threading.Timer(0.3, _thread.interrupt_main).start()
    with pytest.raises(KeyboardInterrupt):
        coevolife.play_many(patterns, patterns, config, threads=1)
    # The module plays on as before.
    pairs = np.random.default_rng(5).integers(0, 2, (2, 5, 6, 8), dtype=np.uint8)
    scores = coevolife.play_many(pairs[0], pairs[1], threads=2)
    assert [tuple(s) for s in scores] == [coevolife.play(a, b) for a, b in zip(*pairs)]


def test_ctrl_c_gives_a_generation_up():
    run = coevolife.Run(4, coevolife.Config.parse("", LARGEST), threads=1)
    threading.Timer(0.3, _thread.interrupt_main).start()
    with pytest.raises(KeyboardInterrupt):
        next(run.generations(1))
    # The run stays at its last whole generation, none yet.
    assert run.generation == 0


def test_ctrl_c_stops_a_run_between_generations():
    run = coevolife.Run(4, threads=1)
    threading.Timer(0.3, _thread.interrupt_main).start()
    start = time.monotonic()
    with pytest.raises(KeyboardInterrupt):
        for _ in run.generations(100000):
            pass
    assert time.monotonic() - start < 1.3
    # No generation is lost: the run goes on as an uninterrupted one.
    played = run.generation
    next_line = next(run.generations(1)).line
    assert next_line == [g.line for g in coevolife.Run(4).generations(played + 1)][-1]


@pytest.mark.parametrize("read", [coevolife.Archive, coevolife.read_log, coevolife.Config.load,
                                  coevolife.Run.resume])
def test_readers_take_regular_files_only(read, tmp_path):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    # A FIFO would block, a device never end, a folder hold no bytes.
    for path, kind in ((fifo, "a FIFO"), ("/dev/zero", "a device"), ("/dev/urandom", "a device"),
                       (tmp_path, "a folder")):
        with pytest.raises(ValueError, match=f"^{re.escape(str(path))}: .*{kind}, not a"):
            read(str(path))


def test_log_with_crlf_line_ends_reads_as_the_log(run, tmp_path):
    crlf = tmp_path / "crlf.csv"
    crlf.write_bytes(run[1].read_bytes().replace(b"\n", b"\r\n"))
    expected = coevolife.read_log(str(run[1]))
    read = coevolife.read_log(str(crlf))
    assert list(read) == list(expected)
    for column, values in expected.items():
        np.testing.assert_array_equal(read[column], values)


@pytest.mark.parametrize("score", [float("nan"), float("inf"), -1.0])
def test_archive_refuses_a_champion_score_that_is_no_score(run, tmp_path, score):
    # Version 1: a header of 36 bytes, records of 1,220, population 2's
    # champion's score at 1212 and the checksum at 1216.
    data = bytearray(run[0].read_bytes())
    record = 36 + 1220
    struct.pack_into("<f", data, record + 1212, score)
    struct.pack_into("<I", data, record + 1216, zlib.crc32(data[record:record + 1216]))
    damaged = tmp_path / "damaged.coevo"
    damaged.write_bytes(bytes(data))
    with pytest.raises(ValueError, match=re.escape(
            f"generation record 2 is corrupted (population 2's champion's score {score:g} is not "
            "a finite score of 0 or more)")):
        coevolife.Archive(str(damaged))


def one_member_archive(path, generations, first=1):
    """A version 2 archive of one member per population, random 8 x 6 patterns,
    generations numbered from `first`."""
    toml = coevolife.Config.parse("", ["population.size=1"]).to_toml().encode()
    header = b"COEVOARC" + struct.pack("<II", 2, 1) + b"test".ljust(16, b"\0") + \
        struct.pack("<I", len(toml)) + toml
    data = bytearray(header + struct.pack("<I", zlib.crc32(header)))
    rng = np.random.default_rng(first)
    for k in range(generations):
        record = struct.pack("<I", first + k) + rng.bytes(12) + struct.pack("<IIff", 0, 0, 1, 2)
        data += record + struct.pack("<I", zlib.crc32(record))
    path.write_bytes(bytes(data))
    return coevolife.Archive(str(path))


def test_archive_numbers_at_their_edges(tmp_path):
    largest = one_member_archive(tmp_path / "largest.coevo", 2, 2**31 - 2)
    np.testing.assert_array_equal(largest.generations, [2**31 - 2, 2**31 - 1])
    assert coevolife.grid(largest, threads=1).shape == (2, 2, 2)
    # 46,341 distinct champions each: more matches than an int counts.
    many = one_member_archive(tmp_path / "many.coevo", 46341)
    with pytest.raises(ValueError, match=re.escape(
            "archive: 46341 and 46341 distinct champions, 2147488281 matches, more than one "
            "grid plays (2147483647)")):
        coevolife.grid(many, threads=1)


def pattern_calls(pattern):
    """Every function that takes a pattern, with the name its errors give it."""
    ones = np.ones(pattern.shape, np.uint8)
    return [
        ("first", lambda: coevolife.play(pattern, ones)),
        ("second", lambda: coevolife.play(ones, pattern)),
        ("firsts[0, ", lambda: coevolife.play_many(pattern[None], ones[None], threads=1)),
        ("seconds[0, ", lambda: coevolife.play_many(ones[None], pattern[None], threads=1)),
        ("pattern", lambda: coevolife.Board(8, 6).stamp(pattern, 1, 0, 0)),
    ]


@pytest.mark.parametrize("dtype,value", [
    (np.int16, 256), (np.int16, 512), (np.int64, 2**40), (np.uint8, 2), (np.uint8, 255),
    (np.int8, -1), (np.uint64, 2**64 - 1)])
def test_pattern_cells_are_checked_in_their_own_dtype(dtype, value):
    pattern = np.zeros((6, 8), dtype)
    pattern[2, 3] = value
    for what, call in pattern_calls(pattern):
        index = "2, 3]" if what.endswith(", ") else "[2, 3]"
        with pytest.raises(ValueError, match=re.escape(f"{what}{index}: {value} is not a cell")):
            call()


@pytest.mark.parametrize("dtype,value", [
    (np.float64, 0.5), (np.float64, 0.99), (np.float32, 1.0), (np.float64, float("nan")),
    (object, 1), ("U1", "1"), (np.complex64, 1)])
def test_pattern_cells_of_no_integer_dtype_are_refused(dtype, value):
    pattern = np.full((6, 8), value, dtype)
    shown = repr(pattern.item(0))
    for what, call in pattern_calls(pattern):
        index = "0, 0]" if what.endswith(", ") else "[0, 0]"
        with pytest.raises(ValueError, match=re.escape(
                f"{what}{index}: {shown} of dtype {pattern.dtype} is not a cell")):
            call()


@pytest.mark.parametrize("dtype,value", [
    (np.int16, 257), (np.int16, 258), (np.uint8, 3), (np.int64, -1), (np.float64, 2.9),
    (np.float64, 0.7)])
def test_board_cells_are_checked_in_their_own_dtype(dtype, value):
    cells = np.zeros((4, 5), dtype)
    cells[1, 2] = value
    board = coevolife.Board(5, 4)
    index, shown = ("[1, 2]", str(value)) if cells.dtype.kind in "iu" else \
        ("[0, 0]", f"0.0 of dtype {cells.dtype}")
    with pytest.raises(ValueError, match=re.escape(f"cells{index}: {shown} is not a cell")):
        board.cells = cells
    assert board.live1 == board.live2 == 0


@pytest.mark.parametrize("dtype", [bool, np.int8, np.uint16, np.int32, np.uint64, ">i4", "<u2"])
def test_cells_of_any_integer_dtype_are_the_same_cells(dtype):
    rng = np.random.default_rng(7)
    first, second = rng.integers(0, 2, (2, 6, 8), np.uint8)
    expected = coevolife.play(first, second)
    assert coevolife.play(first.astype(dtype), second.astype(dtype)) == expected
    # Any strides: every other column of a wider array.
    wide = np.zeros((6, 16), dtype)
    wide[:, ::2] = first
    assert coevolife.play(wide[:, ::2], second.astype(dtype)) == expected
    np.testing.assert_array_equal(
        coevolife.play_many(np.stack([first, second]).astype(dtype),
                            np.stack([second, first]).astype(dtype), threads=1),
        coevolife.play_many(np.stack([first, second]), np.stack([second, first]), threads=1))
    codes = rng.integers(0, 2 if dtype is bool else 3, (4, 5)).astype(dtype)
    board = coevolife.Board(5, 4)
    board.cells = codes
    np.testing.assert_array_equal(board.cells, codes.astype(np.uint8))
