import _thread
import ast
import os
import re
import struct
import subprocess
import threading
import warnings
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


@pytest.fixture(scope="module")
def sweep(tmp_path_factory):
    """A sweep over two conditions as scripts/sweep.sh lays it out, three seeds each of a few
    generations, a fourth seed of the first still running, its log cut inside a row, and the
    files of a seed started over set aside."""
    folder = tmp_path_factory.mktemp("sweep")
    for condition, overrides in (("hall_of_fame=0", []), ("hall_of_fame=1", [
            "--set", "evaluation.hall_of_fame=1"])):
        for seed in (1, 2, 3):
            run = folder / condition / f"seed-{seed}"
            run.mkdir(parents=True)
            (run / "config.toml").write_text(subprocess.run(
                [BATCH, *overrides, "--print-config"], check=True, capture_output=True,
                text=True).stdout)
            subprocess.run([BATCH, "--seed", str(seed), "--generations", str(4 + seed),
                            "--config", str(run / "config.toml"), "--csv",
                            str(run / "fitness.csv"), "--archive", str(run / "run.arc")],
                           check=True, capture_output=True)
    running = folder / "hall_of_fame=0" / "seed-4"
    running.mkdir()
    log = (folder / "hall_of_fame=0" / "seed-1" / "fitness.csv").read_bytes()
    (running / "fitness.csv.partial").write_bytes(log[:log.index(b"\n", 60) + 9])
    # What a sweep sets aside of a seed it starts over is no run of the sweep's.
    aside = folder / "hall_of_fame=0" / "seed-3" / "set-aside-1"
    aside.mkdir()
    (aside / "fitness.csv.partial").write_bytes(log)
    return folder


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
    generations = np.arange(len(archive))[:, None]
    np.testing.assert_array_equal(
        archive.champion_patterns,
        archive.populations[generations, [0, 1], archive.champions])
    assert archive.config.to_toml() == subprocess.run(
        [BATCH, "--print-config"], check=True, capture_output=True, text=True).stdout


def test_log_reads_as_a_frame(run):
    log = coevolife.read_log(str(run[1]))
    frame = coevolife.read_log(str(run[1]), as_frame=True)
    assert list(frame.columns) == list(log)
    for column, values in log.items():
        np.testing.assert_array_equal(frame[column].to_numpy(), values)


@pytest.mark.parametrize("options,kwargs", [
    ([], {}),
    (["--generations", "2:4", "--every", "2"], {"generations": (2, 4), "every": 2}),
    (["--generations", "3:4"], {"generations": (np.int64(3), None)}),
])
def test_grid_is_the_analyzer_grid(run, tmp_path, options, kwargs):
    archive_path, _ = run
    csv = tmp_path / "grid.csv"
    subprocess.run([ANALYZE, "grid", str(archive_path), "--csv", str(csv), *options], check=True,
                   capture_output=True)
    expected = np.loadtxt(csv, delimiter=",", skiprows=1, ndmin=2)
    archive = coevolife.Archive(str(archive_path))
    scores = coevolife.grid(archive, threads=2, **kwargs)
    # The CSV holds the float32 scores as "%.9g", which reads back exactly.
    assert scores.dtype == np.float32
    np.testing.assert_array_equal(scores.reshape(-1, 2), expected[:, 2:].astype(np.float32))
    np.testing.assert_array_equal(coevolife.grid(archive, dtype=np.float64, **kwargs), scores)
    # The diagonal is each generation's two champions, as play() scores them.
    champion = archive.champion_patterns[1]
    assert coevolife.play(champion[0], champion[1], archive.config) == \
        tuple(coevolife.grid(archive)[1, 1])


def analyzer_csv(folder, command, *arguments):
    """The lines of the --csv that `coevolife-analyze command` writes in `folder`, with the
    other outputs the command wants beside it."""
    others = {"master": ["--png", folder / "out.png"],
              "crossplay": ["--stats", folder / "stats.csv", "--png", folder / "out.png"]}
    subprocess.run([ANALYZE, command, *arguments, "--csv", folder / "out.csv",
                    *others.get(command, [])], check=True, capture_output=True)
    return (folder / "out.csv").read_text().splitlines()


def csv_lines(header, columns):
    """The rows of `columns` as the analyzer writes them, numbers as "%.9g", NaN empty."""
    return [header] + [",".join(("" if value != value else f"{value:.9g}")
                                if isinstance(value, float) else str(value)
                                for value in row)
                       for row in zip(*(list(columns[name]) for name in header.split(",")))]


@pytest.mark.parametrize("read,options", [
    (lambda a: coevolife.descent(a), []),
    (lambda a: coevolife.descent(a, population=2, member=np.int64(5), of=3),
     ["--population", "2", "--member", "5", "--of", "3"]),
    (lambda a: coevolife.lineage(a), []),
    (lambda a: coevolife.lineage(a, of=2), ["--of", "2"]),
    (lambda a: coevolife.lineage(a, all=True), ["--all"]),
    (lambda a: coevolife.turnover(a), []),
], ids=["descent", "descent of", "lineage", "lineage of", "lineage all", "turnover"])
def test_lineage_frames_are_the_analyzer_csv(run, tmp_path, read, options):
    archive = coevolife.Archive(run[0])
    frame = read(archive)
    command = ("descent" if "mate" in frame else "lineage" if "id" in frame else "turnover")
    if "champion" in frame:
        frame["champion"] = frame["champion"].map({True: "true", False: "false"})
    assert frame.to_csv(index=False, float_format="%.9g").splitlines() == analyzer_csv(
        tmp_path, command, run[0], *options)
    if command == "lineage":
        # Each row's score and first parent are the archive's.
        g, p, i = frame.origin_time - 1, frame.population - 1, frame.member
        np.testing.assert_array_equal(frame.score.to_numpy(), archive.scores[g, p, i])
        bred = frame.origin_time > 1
        first = frame.ancestor_list[bred].str.extract(r"\[(\d+)")[0].astype(np.uint64)
        n = archive.config["population.size"]
        np.testing.assert_array_equal(
            first.to_numpy(),
            ((g[bred] - 1) * 2 + p[bred]) * n + archive.parents[g[bred], p[bred], i[bred], 0])


@pytest.mark.parametrize("read", [
    lambda a: a.scores, lambda a: a.parents, lambda a: a.operators, coevolife.descent,
    coevolife.lineage, coevolife.turnover])
def test_lineage_of_an_archive_without_births_is_refused(tmp_path, read):
    archive = one_member_archive(tmp_path / "two.coevo", 3)
    with pytest.raises(ValueError, match=re.escape(
            "archive format 2 keeps no member's score or birth; only format 3")):
        read(archive)


def test_master_is_the_analyzer_master(run, tmp_path):
    archive = coevolife.Archive(run[0])
    master = coevolife.master(archive, every=2, threads=2)
    assert csv_lines("generation,mean1,mean2", master) == analyzer_csv(
        tmp_path, "master", run[0], "--every", "2")
    # Population 1's mean over a row of the grid, population 2's over a column.
    scores = coevolife.grid(archive, every=2)
    np.testing.assert_allclose(master["mean1"], scores[:, :, 0].mean(axis=1))
    np.testing.assert_allclose(master["mean2"], scores[:, :, 1].mean(axis=0))


def test_crossplay_is_the_analyzer_crossplay(sweep, tmp_path):
    conditions = [sweep / "hall_of_fame=0", sweep / "hall_of_fame=1"]
    header = "condition,seed,mean1,mean2"
    with pytest.warns(UserWarning, match=re.escape("seed-4: unfinished (no fitness.csv)")):
        played = coevolife.crossplay(conditions, threads=2)
    assert csv_lines(header, played) == analyzer_csv(tmp_path, "crossplay", *conditions)
    np.testing.assert_array_equal(played["generation"], [5, 6, 7, 5, 6, 7])
    with pytest.warns(UserWarning):
        at = coevolife.crossplay(conditions, at=5, threads=1, as_frame=True)
    assert csv_lines(header, at) == analyzer_csv(tmp_path, "crossplay", *conditions, "--at", "5")
    with pytest.raises(ValueError, match="holds condition folders, not runs: give them instead"):
        coevolife.crossplay([sweep])


def test_sweep_and_summary_are_the_analyzer_summary(sweep, tmp_path):
    condition = sweep / "hall_of_fame=0"
    expected = analyzer_csv(tmp_path, "summary", *sorted(condition.glob("seed-[123]")))
    summary = coevolife.read_summary(tmp_path / "out.csv")
    assert csv_lines(expected[0], summary) == expected

    with pytest.warns(UserWarning, match="seed-4/fitness.csv.partial ends inside a row"):
        frame = coevolife.read_sweep(sweep)
    assert list(frame.columns) == ["condition", "seed", "generation", "average1", "average2",
                                   "best1", "best2", "finished"]
    runs = frame.groupby(["condition", "seed"], sort=False)
    assert [(c, s, len(g), g.finished.all()) for (c, s), g in runs] == [
        ("hall_of_fame=0", 1, 5, True), ("hall_of_fame=0", 2, 6, True),
        ("hall_of_fame=0", 3, 7, True), ("hall_of_fame=0", 4, 1, False),
        ("hall_of_fame=1", 1, 5, True), ("hall_of_fame=1", 2, 6, True),
        ("hall_of_fame=1", 3, 7, True)]
    # A seed's rows are its log.
    log = coevolife.read_log(condition / "seed-2" / "fitness.csv")
    rows = frame[(frame.condition == "hall_of_fame=0") & (frame.seed == 2)]
    for column, values in log.items():
        np.testing.assert_array_equal(rows[column], values)
    # The summary's quartiles are numpy's linear ones over the finished seeds.
    finished = frame[frame.finished & (frame.condition == "hall_of_fame=0")].drop(
        columns=["condition", "seed", "finished"])
    quartiles = finished.groupby("generation").quantile([0, 0.25, 0.5, 0.75, 1])
    for series in ("average1", "average2", "best1", "best2"):
        np.testing.assert_allclose(
            quartiles[series].unstack().to_numpy(),
            np.stack([summary[f"{series}_{q}"] for q in ("min", "q1", "median", "q3", "max")], 1),
            rtol=1e-8)
    np.testing.assert_array_equal(finished.groupby("generation").size(), summary["seeds"])
    # One condition's folder reads as well, named by its folder.
    with pytest.warns(UserWarning):
        assert coevolife.read_sweep(condition).condition.unique().tolist() == ["hall_of_fame=0"]


@pytest.mark.parametrize("read,cut,kept", [
    (lambda path: len(coevolife.Archive(path)), lambda run: run[0].read_bytes()[:-10], 3),
    (lambda path: len(coevolife.read_log(path)["generation"]),
     lambda run: run[1].read_bytes()[:-10], 3),
])
def test_cut_files_are_salvaged_with_a_warning(run, tmp_path, read, cut, kept):
    path = tmp_path / "cut"
    path.write_bytes(cut(run))
    with pytest.warns(UserWarning, match="whole"):
        assert read(path) == kept


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


ONES = np.ones((6, 8), np.uint8)


def played_run():
    run = coevolife.Run(1, threads=1)
    next(run.generations(1))
    return run


def archive_of(run):
    return coevolife.Archive(run[0])


def summary_of(run, *rows, end="\n"):
    """read_summary of a summary beside the run, of these rows."""
    header = ",".join(["generation", "seeds"] + [f"{series}_{q}" for series in (
        "average1", "average2", "best1", "best2") for q in ("min", "q1", "median", "q3", "max")])
    path = run[0].parent / "summary.csv"
    path.write_text("\n".join([header, *rows]) + end)
    return coevolife.read_summary(path)


SUMMARY_ROW = ",1" * 20


# Each bad call (given the `run` fixture's archive and log), what it raises and the words it
# raises it with.
BAD_CALLS = [
    (lambda r: coevolife.Config.parse("[board]\nwidth = -1\n"), ValueError, "board.width"),
    (lambda r: coevolife.Config.parse("", ["board.nothing=1"]), ValueError, "board.nothing"),
    (lambda r: coevolife.Config.parse(b"", []), TypeError, "text: a str, not b'' (bytes)"),
    (lambda r: coevolife.Config.parse("", "board.width=3"), TypeError,
     "overrides: an iterable of str"),
    (lambda r: coevolife.Config.load("/nonexistent.toml"), FileNotFoundError,
     "No such file or directory: '/nonexistent.toml'"),
    (lambda r: coevolife.Config()["board"], KeyError, "'board'"),
    (lambda r: coevolife.Archive("/nonexistent.coevo"), FileNotFoundError, "No such file"),
    (lambda r: coevolife.Archive(r[1]), ValueError, "run.csv: not a Coevolife archive"),
    (lambda r: coevolife.Archive(5), TypeError, "path: a path, a str or os.PathLike, not 5 (int)"),
    (lambda r: coevolife.read_log(r[0]), ValueError, "not a Coevolife fitness log"),
    (lambda r: coevolife.read_log(Path("/nonexistent.csv")), FileNotFoundError, "No such file"),
    (lambda r: coevolife.read_summary(r[1]), ValueError, "not a Coevolife summary"),
    (lambda r: summary_of(r, "1,3" + SUMMARY_ROW, "3,3" + SUMMARY_ROW), ValueError,
     "line 3: generation \"3\" where 2 was expected"),
    (lambda r: summary_of(r, "1,3" + SUMMARY_ROW, "2,4" + SUMMARY_ROW), ValueError,
     "line 3: \"4\" seeds: a whole number from 1 to 3, the seeds of the generation before"),
    (lambda r: summary_of(r, "1,3" + SUMMARY_ROW[:-1] + "nan"), ValueError,
     "line 2: \"nan\" is not a number"),
    (lambda r: summary_of(r, "1,3" + SUMMARY_ROW, end=""), ValueError,
     "line 2: no line end: the file is cut short"),
    (lambda r: coevolife.read_sweep("/nonexistent"), FileNotFoundError, "No such file"),
    (lambda r: coevolife.read_sweep(r[1]), NotADirectoryError, "Not a directory"),
    (lambda r: coevolife.Board(0, 5), ValueError, "width: 1 to 268435456, not 0"),
    (lambda r: coevolife.Board(2**31 - 1, 2**31 - 1), ValueError, "width: 1 to 268435456"),
    (lambda r: coevolife.Board(4096, 65536 + 1), ValueError, "at most 268435456 cells"),
    (lambda r: coevolife.Board(np.float64(4), 4), TypeError, "width: an integer, not 4.0"),
    (lambda r: coevolife.Board(4, 4).stamp(ONES[:2, :2], 1, 3, 3), ValueError,
     "a stamp does not wrap: the (2, 2) pattern at column 3, row 3"),
    (lambda r: coevolife.Board(4, 4).stamp(ONES, 3, 0, 0), ValueError, "code: 1 to 2, not 3"),
    (lambda r: coevolife.Board(4, 4).stamp(ONES, 1, "0", 0), TypeError,
     "column: an integer, not '0' (str)"),
    (lambda r: coevolife.Board(4, 4).step(-1), ValueError, "n: 0 to 2147483647, not -1"),
    (lambda r: setattr(coevolife.Board(4, 4), "cells", np.full((4, 4), 3)), ValueError,
     "cells[0, 0]: 3 is not a cell"),
    (lambda r: setattr(coevolife.Board(4, 4), "cells", np.zeros((3, 4), int)), ValueError,
     "cells: expected shape (4, 4), the board's (rows, columns), not (3, 4)"),
    (lambda r: coevolife.play(ONES[:5], ONES), ValueError,
     "first: expected shape (6, 8), the configuration's pattern (rows, columns), not (5, 8)"),
    (lambda r: coevolife.play(ONES, ONES[None]), ValueError,
     "second: expected shape (6, 8), the configuration's pattern (rows, columns), not (1, 6, 8)"),
    (lambda r: coevolife.play([[0, 1], [1]], ONES), ValueError,
     "first: setting an array element with a sequence"),
    (lambda r: coevolife.play(None, ONES), TypeError,
     "first: an array-like of cells (an array, or nested lists of ints), not None"),
    (lambda r: coevolife.play(ONES, ONES, 5), TypeError,
     "config: a coevolife.Config or None, not 5 (int)"),
    (lambda r: coevolife.play(ONES, ONES, history="yes"), TypeError,
     "history: True or False, not 'yes' (str)"),
    (lambda r: coevolife.play_many(ONES, ONES), ValueError,
     "firsts: expected shape (M, 6, 8), M patterns of the configuration's (rows, columns), "
     "not (6, 8)"),
    (lambda r: coevolife.play_many(np.stack([ONES] * 2), ONES[None]), ValueError,
     "firsts and seconds: as many patterns in each, not 2 and 1"),
    (lambda r: coevolife.play_many(ONES[None], ONES[None], threads=2**31 - 1), ValueError,
     "threads: 1 to 1024, not 2147483647"),
    (lambda r: coevolife.grid(archive_of(r), every=0), ValueError,
     "every: 1 to 2147483647, not 0"),
    (lambda r: coevolife.grid(archive_of(r), (3, 9)), ValueError,
     "archive: generations 3:9 are outside the archive's 1:4"),
    (lambda r: coevolife.grid(archive_of(r), (3, 2)), ValueError,
     "generations: first <= last, not (3, 2)"),
    (lambda r: coevolife.grid(archive_of(r), 3), TypeError, "generations: (first, last)"),
    (lambda r: coevolife.grid(archive_of(r), dtype=np.int32), ValueError,
     "dtype: float32 or float64, not int32"),
    (lambda r: coevolife.grid(str(r[0])), TypeError, "archive: a coevolife.Archive, not '"),
    (lambda r: coevolife.master(archive_of(r), threads=0), ValueError, "threads: 1 to 1024"),
    (lambda r: coevolife.master(archive_of(r), as_frame=2), TypeError,
     "as_frame: True or False, not 2 (int)"),
    (lambda r: coevolife.descent(archive_of(r), of=5), ValueError, "of: 1 to 4, not 5"),
    (lambda r: coevolife.descent(archive_of(r), population=3), ValueError,
     "population: 1 to 2, not 3"),
    (lambda r: coevolife.descent(archive_of(r), member=100), ValueError,
     "member: 0 to 99, not 100"),
    (lambda r: coevolife.lineage(archive_of(r), all="yes"), TypeError,
     "all: True or False, not 'yes' (str)"),
    (lambda r: coevolife.turnover(str(r[0])), TypeError, "archive: a coevolife.Archive, not '"),
    (lambda r: coevolife.crossplay(str(r[0].parent)), TypeError,
     "conditions: a list of condition folders"),
    (lambda r: coevolife.crossplay(["/nonexistent"]), FileNotFoundError, "No such file"),
    (lambda r: coevolife.crossplay([r[0]]), NotADirectoryError, "Not a directory"),
    (lambda r: coevolife.crossplay([r[0].parent]), ValueError,
     "holds no finished run (a folder with fitness.csv)"),
    (lambda r: coevolife.compare([], [1.0]), ValueError, "values: at least one value"),
    (lambda r: coevolife.compare([1.0], [[1.0]]), ValueError,
     "control: a sequence of numbers, not a 2-D array"),
    (lambda r: coevolife.compare([1.0, np.inf], [1.0]), ValueError,
     "values[1]: inf: finite values only"),
    (lambda r: coevolife.compare(["1"], [1.0]), TypeError, "values: numbers, not ['1'] (list)"),
    (lambda r: coevolife.Run(-1), ValueError, "seed: 0 to 4294967295, not -1"),
    (lambda r: coevolife.Run(2**32), ValueError, "seed: 0 to 4294967295, not 4294967296"),
    (lambda r: coevolife.Run(1.5), TypeError, "seed: an integer, not 1.5 (float)"),
    (lambda r: coevolife.Run(1, coevolife.Config()["board.width"]), TypeError,
     "config: a coevolife.Config or None, not 100 (int)"),
    (lambda r: coevolife.Run(1, threads=0), ValueError, "threads: 1 to 1024, not 0"),
    (lambda r: coevolife.Run(1).generations(-1), ValueError, "n: 0 to 2147483647, not -1"),
    (lambda r: coevolife.Run(1).checkpoint("/tmp/never.ckpt"), ValueError, "play one first"),
    (lambda r: played_run().checkpoint("/nonexistent/run.ckpt"), FileNotFoundError,
     "No such file or directory: '/nonexistent/run.ckpt'"),
    (lambda r: played_run().checkpoint(r[0].parent), IsADirectoryError, "Is a directory"),
    (lambda r: coevolife.Run.resume(r[0]), ValueError, "not a Coevolife checkpoint"),
    (lambda r: coevolife.Run.resume("/nonexistent.ckpt"), FileNotFoundError, "No such file"),
    # Numbers where a sum would wrap an int.
    (lambda r: coevolife.Board(10, 10).stamp(ONES, 1, 2**31 - 1, 0), ValueError,
     "a stamp does not wrap"),
    (lambda r: coevolife.Board(10, 10).stamp(ONES, 1, 0, 2**31 - 5), ValueError,
     "a stamp does not wrap"),
    (lambda r: coevolife.Board(10, 10).stamp(ONES, 1, -2**31, 0), ValueError,
     "a stamp does not wrap"),
    (lambda r: coevolife.Board(10, 10).stamp(ONES, 1, 2, 2**31), ValueError,
     "row: -2147483648 to 2147483647, not 2147483648"),
]


@pytest.mark.parametrize("call,kind,words", BAD_CALLS)
def test_bad_calls_raise_in_words(run, call, kind, words):
    with pytest.raises(kind, match=re.escape(words)) as raised:
        call(run)
    assert type(raised.value) is kind
    if issubclass(kind, OSError):
        assert raised.value.errno is not None and raised.value.filename is not None


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
    resumed = list(coevolife.Run.resume(str(tmp_path / "run.ckpt"), threads=1).generations(4))
    lines += played_lines(resumed)
    assert lines + ["stopped"] == straight
    # The checkpoint kept the births of the members it resumes with.
    assert resumed[0].operators.min() >= 0 and resumed[0].parents[..., 0].min() >= 0
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
        np.testing.assert_array_equal(generation.scores, archive.scores[g])
        np.testing.assert_array_equal(generation.parents, archive.parents[g])
        np.testing.assert_array_equal(generation.operators, archive.operators[g])


def match_scores(config, first, second):
    """One match's two scores as a run adds them, unrounded, from a Board and the rule."""
    board = coevolife.Board(config["board.width"], config["board.height"])
    board.stamp(first, 1, config["match.first_column"], config["match.first_row"])
    board.stamp(second, 2, config["match.second_column"], config["match.second_row"])
    board.step(config["board.steps"])
    return board.live1 * (board.contacts / 10.0), float(board.live2)


def mean_in_float32(scores):
    """The mean a run makes of one member's match scores: summed in float32, one rounding a
    step, divided in double and rounded once."""
    total = np.float32(0)
    for score in scores:
        total = np.float32(float(total) + score)
    return np.float32(float(total) / len(scores))


def played_alone(generation, config):
    """With one member each, and k matches a generation, each member plays the same match k
    times: its score is that match's, k times over."""
    scores = match_scores(config, *generation.populations[:, 0])
    k = config["match.per_generation"]
    return [generation.scores[0, 0], generation.scores[1, 0]], \
        [mean_in_float32([scores[0]] * k), mean_in_float32([scores[1]] * k)]


def one_match(generation, config):
    """With two members each and one match a generation, one member of each plays the
    match; the other two play none and score 0."""
    options = []
    for i in (0, 1):
        for j in (0, 1):
            first, second = match_scores(config, generation.populations[0, i],
                                         generation.populations[1, j])
            scores = np.zeros((2, 2), np.float32)
            scores[0, i], scores[1, j] = first, second
            options.append(scores)
    return generation.scores, next((o for o in options if np.array_equal(o, generation.scores)),
                                   options)


def births_as_bred(gs):
    """The first generation's parents and operators, the copies' cells, where a mate is named."""
    copies = [g.populations[g.operators == 2].ravel() for g in gs[1:]]
    mates = [(g.parents[..., 1] >= 0).ravel() for g in gs[1:]]
    return np.concatenate([gs[0].parents.ravel(), gs[0].operators.ravel()] + copies + mates
                          ).astype(np.int64)


def births_as_formulated(gs):
    """The same from the docstrings: -1 for none, a copy's parent's cells, the crossovers."""
    copies = [h.populations[np.nonzero(g.operators == 2)[0], g.parents[..., 0][g.operators == 2]]
              .ravel() for h, g in zip(gs, gs[1:])]
    mates = [(g.operators == 1).ravel() for g in gs[1:]]
    none = np.full(gs[0].parents.size + gs[0].operators.size, -1)
    return np.concatenate([none] + copies + mates).astype(np.int64)


# Each number of a generation, computed from the generation's own data as its docstring and the
# README give it: (overrides, what it is, what the formula makes of the generation's data).
FORMULAS = [
    # The progress line's averages: the members' scores summed in float32 in member order,
    # divided by the generation's matches, not by the members.
    ([], lambda gs, c: [(g.average1, g.average2) for g in gs],
     lambda gs, c: [tuple(float(np.cumsum(s, dtype=np.float32)[-1]) / c["match.per_generation"]
                          for s in g.scores) for g in gs]),
    # A member's score: the mean of its match scores.
    (["population.size=1", "match.per_generation=3"],
     lambda gs, c: [played_alone(g, c)[0] for g in gs],
     lambda gs, c: [played_alone(g, c)[1] for g in gs]),
    # 0 for a member that played none.
    (["population.size=2", "match.per_generation=1"],
     lambda gs, c: [one_match(g, c)[0] for g in gs], lambda gs, c: [one_match(g, c)[1] for g in gs]),
    # The champion: the highest score, the lowest index on a tie; its score the archive's.
    ([], lambda gs, c: [tuple(g.champions) for g in gs],
     lambda gs, c: [tuple(np.argmax(g.scores, axis=1)) for g in gs]),
    # How each member was bred: the first generation from nothing, a copy its parent as the
    # generation before had it, a mate named for a crossover alone.
    ([], lambda gs, c: births_as_bred(gs), lambda gs, c: births_as_formulated(gs)),
    # The best score so far: the highest member score of this and every earlier generation.
    ([], lambda gs, c: [(g.best1, g.best2) for g in gs],
     lambda gs, c: [tuple(np.max([h.scores.max(axis=1) for h in gs[:k + 1]], axis=0))
                    for k in range(len(gs))]),
]


@pytest.mark.parametrize("overrides,number,formula", FORMULAS)
def test_numbers_are_their_formulas(overrides, number, formula):
    config = coevolife.Config.parse("", overrides)
    generations = list(coevolife.Run(1, config, threads=2).generations(4))
    np.testing.assert_array_equal(number(generations, config), formula(generations, config))


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


# What Ctrl-C interrupts, each made in `folder`: a call that would play a match on the largest
# board for minutes, and what holds once it is interrupted.
def interrupted_play_many(folder):
    patterns = np.ones((200, 6, 8), np.uint8)
    config = coevolife.Config.parse("", LARGEST)
    return lambda: coevolife.play_many(patterns, patterns, config, threads=1), lambda: True


def interrupted_grid(folder):
    archive = one_member_archive(folder / "largest.coevo", 2, overrides=LARGEST)
    return lambda: coevolife.grid(archive, threads=1), lambda: True


def interrupted_run(folder):
    run = coevolife.Run(4, coevolife.Config.parse("", LARGEST), threads=1)
    # The run gives the generation up and stays at its last whole one, none yet.
    return lambda: next(run.generations(1)), lambda: run.generation == 0


@pytest.mark.parametrize("interrupted", [interrupted_play_many, interrupted_grid,
                                         interrupted_run])
def test_ctrl_c_stops_the_match_in_progress(interrupted, tmp_path):
    call, holds = interrupted(tmp_path)
    # No bound on how soon: a loaded machine may take its time; without the cancel the
    # match would take minutes, and the suite's timeout would fail it.
    threading.Timer(0.3, _thread.interrupt_main).start()
    with pytest.raises(KeyboardInterrupt):
        call()
    assert holds()
    # The module plays on as before.
    pairs = np.random.default_rng(5).integers(0, 2, (2, 5, 6, 8), dtype=np.uint8)
    scores = coevolife.play_many(pairs[0], pairs[1], threads=2)
    assert [tuple(s) for s in scores] == [coevolife.play(a, b) for a, b in zip(*pairs)]


def test_ctrl_c_stops_a_run_between_generations():
    run = coevolife.Run(4, threads=1)
    threading.Timer(0.3, _thread.interrupt_main).start()
    with pytest.raises(KeyboardInterrupt):
        for _ in run.generations(100000):
            pass
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
def test_archive_refuses_a_member_score_that_is_no_score(run, tmp_path, score):
    # Version 3: a header of 40 + L bytes, then records of their own length:
    # the length, generation, flags and the members' length M, the members,
    # every member's score (population 1's, then 2's), the births, a
    # checksum.
    data = bytearray(run[0].read_bytes())
    at = 40 + struct.unpack_from("<I", data, 32)[0]
    at += struct.unpack_from("<I", data, at)[0]
    size, members = struct.unpack_from("<I", data, at)[0], struct.unpack_from("<I", data, at + 12)[0]
    struct.pack_into("<f", data, at + 16 + members + 4 * 103, score)
    struct.pack_into("<I", data, at + size - 4, zlib.crc32(data[at:at + size - 4]))
    damaged = tmp_path / "damaged.coevo"
    damaged.write_bytes(bytes(data))
    with pytest.raises(ValueError, match=re.escape(
            f"generation record 2 is corrupted (population 2's member 3 has the score {score:g}, "
            "not a finite score of 0 or more)")):
        coevolife.Archive(str(damaged))


def one_member_archive(path, generations, first=1, overrides=()):
    """A version 2 archive of one member per population, random 8 x 6 patterns,
    generations numbered from `first`, of the default experiment with `overrides`."""
    toml = coevolife.Config.parse("", ["population.size=1", *overrides]).to_toml().encode()
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
            "archive: generations 1 to 46341 hold 46341 and 46341 distinct champions, "
            "2147488281 matches, more than one analysis plays (2147483647); choose fewer with "
            "generations= or every=")):
        coevolife.grid(many, threads=1)
    assert coevolife.grid(many, (46242, None), threads=1).shape == (100, 100, 2)


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


def test_array_likes_are_cells():
    rng = np.random.default_rng(3)
    first, second = rng.integers(0, 2, (2, 6, 8), np.uint8)
    expected = coevolife.play(first, second)
    assert coevolife.play(first.tolist(), tuple(map(tuple, second))) == expected
    assert coevolife.play(first.T.copy().T, second[::-1][::-1]) == expected
    np.testing.assert_array_equal(
        coevolife.play_many([first.tolist()], [second.tolist()], threads=1), [expected])
    board = coevolife.Board(8, 6)
    board.stamp(first.tolist(), 1, 0, 0)
    np.testing.assert_array_equal(board.cells, first)
    board.cells = [[2] * 8] * 6
    assert board.live2 == 48


def test_python_conventions(run, tmp_path):
    archive_path, log_path = run
    # Paths as os.PathLike, numbers as numpy's integers.
    archive = coevolife.Archive(archive_path)
    assert coevolife.read_log(log_path).keys() == coevolife.read_log(str(log_path)).keys()
    (tmp_path / "config.toml").write_text("[board]\nwidth = 200\n")
    assert coevolife.Config.load(tmp_path / "config.toml")["board.width"] == 200
    assert [g.line for g in coevolife.Run(np.uint32(3), threads=np.int8(1)).generations(
        np.int64(2))] == [g.line for g in coevolife.Run(3).generations(2)]
    assert coevolife.Board(np.int16(5), np.uint64(4)).width == 5
    # A configuration is a mapping of its keys.
    config = coevolife.Config.parse("", ["board.width=200", "breeding.mutation_rate=0.3"])
    assert "board.width" in config and "board" not in config and 5 not in config
    assert len(config) == len(list(config)) == len(coevolife.Config.keys())
    assert list(config) == coevolife.Config.keys() and dict(config)["board.width"] == 200
    assert config.get("board.nothing", 7) == 7 and config.get("board.width") == 200
    # Its floats as the file holds them, not as float32 holds them.
    assert config["breeding.mutation_rate"] == 0.3 and config["breeding.mutation_threshold"] == 0.3
    assert repr(config) == "Config(board.width=200, breeding.mutation_rate=0.3)"
    assert repr(archive) == f"<Archive {str(archive_path)!r}: seed 3, generations 1 to 4, " \
        "populations (4, 2, 100, 6, 8)>"
    played = coevolife.Run(9, config, threads=1)
    generation = next(played.generations(1))
    assert repr(played) == "<Run seed 9, generation 1, board.width=200, " \
        "breeding.mutation_rate=0.3>"
    assert repr(generation) == f"<Generation {generation.line}>"
    board = coevolife.Board(8, 6)
    board.stamp(ONES[:2], 2, 0, 0)
    assert repr(board) == "<Board 8 x 6: 0 first-species and 16 second-species cells, " \
        "0 contacts>"


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


def stub_parameters():
    """Each function and method of the stub beside the module: its parameters, those with a
    default marked "=" (in any of its overloads), without self."""
    tree = ast.parse(Path(coevolife.__file__).with_name("coevolife.pyi").read_text())
    found = {}
    classes = [(cls.name + ".", cls.body) for cls in tree.body if isinstance(cls, ast.ClassDef)]
    for prefix, body in [("", tree.body)] + classes:
        for function in body:
            if not isinstance(function, ast.FunctionDef) or any(
                    getattr(d, "id", getattr(d, "attr", "")) in ("property", "setter")
                    for d in function.decorator_list):
                continue
            arguments = function.args.posonlyargs + function.args.args
            first_default = len(arguments) - len(function.args.defaults)
            parameters = [a.arg + "=" * (k >= first_default) for k, a in enumerate(arguments)
                          if a.arg != "self"]
            earlier = found.get(prefix + function.name, parameters)
            found[prefix + function.name] = [max(a, b, key=len) for a, b in zip(parameters,
                                                                                 earlier)]
    return found


def runtime_parameters(function):
    """The parameters pybind11's signature line gives, as stub_parameters() gives them."""
    line = function.__doc__.splitlines()[0]
    inside = line[line.index("(") + 1:line.rindex(") -> ")]
    parameters, depth, current = [], 0, ""
    for char in inside + ",":
        depth += (char in "[(<") - (char in "])>")
        if char == "," and depth == 0:
            name = current.split(":")[0].strip()
            if name and name != "self":
                parameters.append(name + "=" * ("=" in current))
            current = ""
        else:
            current += char
    return parameters


def test_stub_gives_every_signature():
    # mypy's stubtest (the py_coevolife_stub test) checks the names, classes and properties;
    # a pybind11 function has no signature it can read, so the parameters are checked here.
    expected = stub_parameters()
    for name, parameters in expected.items():
        owner, _, attribute = name.rpartition(".")
        function = getattr(getattr(coevolife, owner) if owner else coevolife, attribute)
        assert runtime_parameters(function) == parameters, name
    public = {name for name in dir(coevolife) if not name.startswith("_") and callable(
        getattr(coevolife, name)) and not isinstance(getattr(coevolife, name), type)}
    assert public == {name for name in expected if "." not in name}
