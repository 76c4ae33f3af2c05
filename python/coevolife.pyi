"""Coevolife's experiments, archives, logs, boards, matches and statistics."""

import os
from typing import (Any, Dict, Iterable, Iterator, List, Literal, Optional, Tuple, Union,
                    overload)

import numpy as np
import numpy.typing as npt

_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]
_Index = Union[int, np.integer[Any]]

__version__: str

class Config:
    """An experiment's configuration: every number of a run."""

    def __init__(self) -> None:
        """The default experiment, the one the window plays."""
    @staticmethod
    def load(path: _Path, overrides: Iterable[str] = ...) -> Config:
        """The TOML file at `path` with `overrides` ("board.width=200") over it; ValueError."""
    @staticmethod
    def parse(text: str, overrides: Iterable[str] = ...) -> Config:
        """The configuration held by a TOML text, with `overrides` over it; ValueError."""
    @staticmethod
    def keys() -> List[str]:
        """Every key's "table.name", in the order the file lists them."""
    def __getitem__(self, key: str) -> Union[int, float]:
        """The value of a key ("board.width"); KeyError for an unknown key."""
    def get(self, key: str, default: Any = ...) -> Any:
        """config[key], or `default` for a key the configuration lacks."""
    def __contains__(self, key: object) -> bool: ...
    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[str]: ...
    def to_toml(self) -> str:
        """The configuration as coevolife-batch --print-config prints it."""
    def __eq__(self, other: object) -> bool: ...

class Archive:
    """A run archive: every generation's two populations and champions."""

    def __init__(self, path: _Path) -> None:
        """Reads the archive; a cut one with a warning, a damaged one raises ValueError."""
    @property
    def config(self) -> Config:
        """The configuration the run played."""
    @property
    def seed(self) -> int:
        """The run's seed."""
    @property
    def version(self) -> int:
        """The archive format's version."""
    @property
    def program_version(self) -> str:
        """The version of the program that wrote the archive."""
    def __len__(self) -> int:
        """The number of generations archived."""
    @property
    def generations(self) -> npt.NDArray[np.int32]:
        """The generation numbers, (G,)."""
    @property
    def populations(self) -> npt.NDArray[np.uint8]:
        """Every member's cells 0/1, (G, 2, N, H, W), read-only."""
    @property
    def champions(self) -> npt.NDArray[np.int32]:
        """Each population's champion's member index, (G, 2)."""
    @property
    def champion_patterns(self) -> npt.NDArray[np.uint8]:
        """The champions' cells 0/1, (G, 2, H, W)."""
    @property
    def champion_scores(self) -> npt.NDArray[np.float32]:
        """The champions' scores as the run stored them, (G, 2)."""
    @property
    def scores(self) -> npt.NDArray[np.float32]:
        """Every member's score, (G, 2, N); ValueError for format 1 or 2."""
    @property
    def parents(self) -> npt.NDArray[np.int32]:
        """Each member's parent and a crossover's mate, (G, 2, N, 2); -1 none."""
    @property
    def operators(self) -> npt.NDArray[np.int8]:
        """Each member's operator, (G, 2, N): 0 mutation, 1 crossover, 2 copy, -1 none."""

@overload
def read_log(path: _Path, as_frame: Literal[False] = ...) -> Dict[str, npt.NDArray[Any]]: ...
@overload
def read_log(path: _Path, as_frame: Literal[True]) -> Any: ...
@overload
def read_summary(path: _Path, as_frame: Literal[False] = ...) -> Dict[str, npt.NDArray[Any]]: ...
@overload
def read_summary(path: _Path, as_frame: Literal[True]) -> Any: ...
def read_sweep(folder: _Path) -> Any:
    """Every seed's log of a sweep as one long pandas DataFrame."""

class Board:
    """A two-species battle board: a torus of cell codes 0, 1 and 2."""

    def __init__(self, width: _Index, height: _Index) -> None:
        """An empty board."""
    def stamp(self, pattern: npt.ArrayLike, code: _Index, column: _Index, row: _Index) -> None:
        """Writes the pattern's cells 1 with `code` (1 or 2), inside the board; ValueError."""
    def step(self, n: _Index = ...) -> None:
        """Plays `n` generations of the step rule, counting contacts."""
    @property
    def cells(self) -> npt.NDArray[np.uint8]:
        """A copy of the cells, (H, W); assignable."""
    @cells.setter
    def cells(self, cells: npt.ArrayLike) -> None: ...
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def live1(self) -> int:
        """The number of first-species cells."""
    @property
    def live2(self) -> int:
        """The number of second-species cells."""
    @property
    def contacts(self) -> int:
        """The contacts counted since the board was made."""

@overload
def play(first: npt.ArrayLike, second: npt.ArrayLike, config: Optional[Config] = ...,
         history: Literal[False] = ...) -> Tuple[float, float]: ...
@overload
def play(first: npt.ArrayLike, second: npt.ArrayLike, config: Optional[Config],
         history: Literal[True]) -> Tuple[float, float, npt.NDArray[np.uint8]]: ...
def play_many(firsts: npt.ArrayLike, seconds: npt.ArrayLike, config: Optional[Config] = ...,
              threads: Optional[_Index] = ...) -> npt.NDArray[np.float64]:
    """Match i of firsts[i] against seconds[i]: (M, 2) scores; Ctrl-C stops it."""
def grid(archive: Archive, generations: Optional[Tuple[Optional[_Index], Optional[_Index]]] = ...,
         every: _Index = ..., threads: Optional[_Index] = ...,
         dtype: npt.DTypeLike = ...) -> npt.NDArray[Any]:
    """Every champion of population 1 against every one of population 2: (G, G, 2)."""
def descent(archive: Archive, population: _Index = ..., member: Optional[_Index] = ...,
            of: Optional[_Index] = ...) -> Any:
    """The line of descent of a member, oldest first, as a pandas DataFrame."""
def lineage(archive: Archive, of: Optional[_Index] = ..., all: bool = ...) -> Any:
    """The ALife Data Standards phylogeny of a generation's ancestry (or every birth)."""
def turnover(archive: Archive) -> Any:
    """Distinct patterns and time to coalescence per generation, as a pandas DataFrame."""
@overload
def master(archive: Archive,
           generations: Optional[Tuple[Optional[_Index], Optional[_Index]]] = ...,
           every: _Index = ..., threads: Optional[_Index] = ...,
           as_frame: Literal[False] = ...) -> Dict[str, npt.NDArray[Any]]: ...
@overload
def master(archive: Archive, generations: Optional[Tuple[Optional[_Index], Optional[_Index]]],
           every: _Index, threads: Optional[_Index], as_frame: Literal[True]) -> Any: ...
@overload
def crossplay(conditions: Iterable[_Path], at: Optional[_Index] = ...,
              threads: Optional[_Index] = ...,
              as_frame: Literal[False] = ...) -> Dict[str, npt.NDArray[Any]]: ...
@overload
def crossplay(conditions: Iterable[_Path], at: Optional[_Index], threads: Optional[_Index],
              as_frame: Literal[True]) -> Any: ...
def compare(values: npt.ArrayLike, control: npt.ArrayLike) -> Tuple[float, float, float]:
    """The Mann-Whitney U test: (u, p, a12)."""

class Generation:
    """One generation as a Run played it."""

    @property
    def number(self) -> int:
        """Generations played since the run's start, this one included."""
    @property
    def average1(self) -> float:
        """The sum of population 1's member scores divided by the generation's matches."""
    @property
    def average2(self) -> float: ...
    @property
    def best1(self) -> float:
        """Population 1's highest member score of this and every earlier generation."""
    @property
    def best2(self) -> float: ...
    @property
    def line(self) -> str:
        """The progress line exactly as coevolife-batch prints it."""
    @property
    def run_ended(self) -> bool:
        """Whether a run of 100 ends with it (the batch prints "stopped")."""
    @property
    def populations(self) -> npt.NDArray[np.uint8]:
        """Both populations as they played, (2, N, H, W)."""
    @property
    def scores(self) -> npt.NDArray[np.float32]:
        """Every member's mean match score, (2, N); 0 for a member that played none."""
    @property
    def champions(self) -> npt.NDArray[np.int32]:
        """Each population's champion, (2,)."""
    @property
    def parents(self) -> npt.NDArray[np.int32]:
        """Each member's parent and a crossover's mate in the generation before, (2, N, 2); -1 none."""
    @property
    def operators(self) -> npt.NDArray[np.int8]:
        """The operator that bred each member, (2, N): 0 mutation, 1 crossover, 2 copy, -1 none."""

class GenerationIterator(Iterator[Generation]):
    def __iter__(self) -> GenerationIterator: ...
    def __next__(self) -> Generation: ...

class InUseError(OSError):
    """A checkpoint is in use by another process, such as the coevolife-batch writing it."""

class Run:
    """A co-evolution run: with the same seed and configuration, coevolife-batch's numbers."""

    def __init__(self, seed: _Index, config: Optional[Config] = ...,
                 threads: Optional[_Index] = ...) -> None: ...
    def generations(self, n: _Index) -> GenerationIterator:
        """Plays the next n generations, one per step; Ctrl-C gives the one in progress up."""
    def checkpoint(self, path: _Path) -> None:
        """Writes the batch's checkpoint of the run so far; InUseError, FileExistsError, OSError."""
    @staticmethod
    def resume(path: _Path, threads: Optional[_Index] = ...) -> Run:
        """The run a checkpoint holds; FileNotFoundError, ValueError, InUseError."""
    @property
    def seed(self) -> int: ...
    @property
    def config(self) -> Config: ...
    @property
    def generation(self) -> int:
        """Generations played since the run's start."""
