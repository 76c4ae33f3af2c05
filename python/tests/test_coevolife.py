import _thread
import os
import subprocess
import threading
import time
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
