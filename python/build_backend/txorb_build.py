"""The txorb package's build backend: a wheel, an editable wheel and a source archive made with
the standard library alone, so that pip installs the package offline into any environment,
with or without setuptools and wheel (PEP 517, PEP 660).

The version is the package's own ``txorb.__version__``; the rest of the metadata is the
``[project]`` table of pyproject.toml.
"""

from __future__ import annotations

import ast
import base64
import hashlib
import io
import re
import tarfile
import zipfile
from pathlib import Path
from typing import Dict, List, Optional, Tuple

ROOT = Path(__file__).resolve().parent.parent
PACKAGE = "txorb"
TAG = "py3-none-any"
# Archives carry a fixed time, so that the same sources give the same bytes. 1980 is the
# earliest a zip entry can hold.
ZIP_TIME = (1980, 1, 1, 0, 0, 0)
TAR_TIME = 315532800


def _read_toml_tables(text: str) -> Dict[str, Dict[str, object]]:
    """The tables of pyproject.toml, in the part of TOML it uses: ``[table]`` headers, and keys
    whose value is a string or an array of strings (over several lines if need be)."""
    tables: Dict[str, Dict[str, object]] = {}
    current: Dict[str, object] = {}
    pending = ""
    for number, line in enumerate(text.splitlines(), 1):
        stripped = line.strip()
        if not pending:
            if not stripped or stripped.startswith("#"):
                continue
            header = re.fullmatch(r"\[([A-Za-z0-9_.-]+)\]", stripped)
            if header:
                current = tables.setdefault(header.group(1), {})
                continue
        pending += line + "\n"
        key, equals, value = pending.partition("=")
        try:
            parsed = ast.literal_eval(value.strip()) if equals else None
        except SyntaxError:
            continue  # an array that goes on over the next lines
        except ValueError:
            raise ValueError(f"pyproject.toml:{number}: only strings and arrays of strings "
                             f"are read here: {stripped}") from None
        current[key.strip()] = parsed
        pending = ""
    if pending:
        raise ValueError(f"pyproject.toml: unfinished value: {pending.strip()}")
    return tables


def _version() -> str:
    text = (ROOT / PACKAGE / "__init__.py").read_text(encoding="utf-8")
    found = re.search(r'^__version__ = "([^"]+)"$', text, re.MULTILINE)
    if not found:
        raise ValueError(f"{PACKAGE}/__init__.py sets no __version__")
    return found.group(1)


def _metadata() -> str:
    tables = _read_toml_tables((ROOT / "pyproject.toml").read_text(encoding="utf-8"))
    project = tables["project"]
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {_version()}",
             f"Summary: {project['description']}",
             f"Requires-Python: {project['requires-python']}"]
    lines += [f"Classifier: {c}" for c in project.get("classifiers", [])]  # type: ignore
    for extra, needs in tables.get("project.optional-dependencies", {}).items():
        lines.append(f"Provides-Extra: {extra}")
        lines += [f'Requires-Dist: {need}; extra == "{extra}"' for need in needs]  # type: ignore
    return "\n".join(lines) + "\n"


def _package_files() -> List[Path]:
    """The package's files, relative to ROOT: its modules and its typing marker."""
    return sorted(p.relative_to(ROOT) for p in (ROOT / PACKAGE).rglob("*")
                  if p.is_file() and "__pycache__" not in p.parts and p.suffix != ".pyc")


def _dist_info() -> str:
    return f"{PACKAGE}-{_version()}.dist-info"


def _dist_info_files() -> List[Tuple[str, bytes]]:
    wheel = f"Wheel-Version: 1.0\nGenerator: txorb_build\nRoot-Is-Purelib: true\nTag: {TAG}\n"
    return [(f"{_dist_info()}/METADATA", _metadata().encode()),
            (f"{_dist_info()}/WHEEL", wheel.encode())]


def _write_wheel(directory: str, files: List[Tuple[str, bytes]]) -> str:
    """A wheel of these (name in the archive, content) pairs and its RECORD; its file name."""
    name = f"{PACKAGE}-{_version()}-{TAG}.whl"
    record = []
    with zipfile.ZipFile(Path(directory) / name, "w", zipfile.ZIP_DEFLATED) as archive:
        for arcname, data in files:
            digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=")
            record.append(f"{arcname},sha256={digest.decode()},{len(data)}")
            _add_to_zip(archive, arcname, data)
        record.append(f"{_dist_info()}/RECORD,,")
        _add_to_zip(archive, f"{_dist_info()}/RECORD", ("\n".join(record) + "\n").encode())
    return name


def _add_to_zip(archive: zipfile.ZipFile, arcname: str, data: bytes) -> None:
    entry = zipfile.ZipInfo(arcname, ZIP_TIME)
    entry.external_attr = 0o644 << 16
    entry.compress_type = zipfile.ZIP_DEFLATED
    archive.writestr(entry, data)


def _write_metadata_directory(directory: str) -> str:
    target = Path(directory) / _dist_info()
    target.mkdir(parents=True, exist_ok=True)
    for arcname, data in _dist_info_files():
        (target / Path(arcname).name).write_bytes(data)
    return _dist_info()


# PEP 517 hooks ---------------------------------------------------------------------------------

def get_requires_for_build_wheel(config_settings: Optional[dict] = None) -> List[str]:
    return []


def get_requires_for_build_sdist(config_settings: Optional[dict] = None) -> List[str]:
    return []


def get_requires_for_build_editable(config_settings: Optional[dict] = None) -> List[str]:
    return []


def prepare_metadata_for_build_wheel(metadata_directory: str,
                                     config_settings: Optional[dict] = None) -> str:
    return _write_metadata_directory(metadata_directory)


def prepare_metadata_for_build_editable(metadata_directory: str,
                                        config_settings: Optional[dict] = None) -> str:
    return _write_metadata_directory(metadata_directory)


def build_wheel(wheel_directory: str, config_settings: Optional[dict] = None,
                metadata_directory: Optional[str] = None) -> str:
    files = [(p.as_posix(), (ROOT / p).read_bytes()) for p in _package_files()]
    return _write_wheel(wheel_directory, files + _dist_info_files())


def build_editable(wheel_directory: str, config_settings: Optional[dict] = None,
                   metadata_directory: Optional[str] = None) -> str:
    """A wheel that puts this source tree on the path, so that edits count at once."""
    path_file = (f"__editable__.{PACKAGE}-{_version()}.pth", f"{ROOT}\n".encode())
    return _write_wheel(wheel_directory, [path_file] + _dist_info_files())


def build_sdist(sdist_directory: str, config_settings: Optional[dict] = None) -> str:
    base = f"{PACKAGE}-{_version()}"
    backend = Path(__file__).resolve().relative_to(ROOT)
    members = [(p.as_posix(), (ROOT / p).read_bytes())
               for p in [Path("pyproject.toml"), backend, *_package_files()]]
    members.append(("PKG-INFO", _metadata().encode()))
    name = f"{base}.tar.gz"
    with tarfile.open(Path(sdist_directory) / name, "w:gz", format=tarfile.PAX_FORMAT) as archive:
        for arcname, data in members:
            entry = tarfile.TarInfo(f"{base}/{arcname}")
            entry.size, entry.mtime, entry.mode = len(data), TAR_TIME, 0o644
            archive.addfile(entry, io.BytesIO(data))
    return name
