"""The package installs offline into a fresh virtual environment of each Python a user may have,
with nothing but pip there, and the README's example then runs as written on the virtual card."""

from __future__ import annotations

import os
import re
import subprocess
from pathlib import Path
from typing import List

import pytest

from conftest import BUILD_DIR, PYTHON_DIR, REPO_DIR

PYENV_VERSIONS = Path(os.environ.get("PYENV_ROOT", Path.home() / ".pyenv")) / "versions"


def newest_pyenv_python() -> Path:
    """A version manager's Python: its venvs come without wheel (from 3.12 on, without
    setuptools too), which is what a build must not need."""
    found = sorted(PYENV_VERSIONS.glob("3.*/bin/python3"),
                   key=lambda p: [int(n) for n in re.findall(r"\d+", p.parent.parent.name)])
    return found[-1] if found else PYENV_VERSIONS / "3.x" / "bin" / "python3"


def readme_python_example() -> str:
    section = (REPO_DIR / "README.md").read_text().split("## Using from Python", 1)[1]
    return section.split("```python\n", 1)[1].split("```", 1)[0]


def run(args: List[str], cwd: Path, **extra: str) -> str:
    unset = ("PYTHONPATH", "TXORB_SIM", "TXORB_REGISTRY")
    environment = {k: v for k, v in os.environ.items() if k not in unset}
    environment.update(extra)
    done = subprocess.run(args, cwd=cwd, env=environment, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=300)
    assert done.returncode == 0, done.stdout.decode()
    return done.stdout.decode()


@pytest.mark.parametrize("interpreter, editable", [
    (Path("/usr/bin/python3"), False),      # Debian's own
    (Path("/usr/bin/python3"), True),
    (newest_pyenv_python(), False),
], ids=["debian", "debian-editable", "pyenv"])
def test_offline_install_runs_the_readme_example(tmp_path: Path, interpreter: Path,
                                                 editable: bool) -> None:
    if not interpreter.is_file():
        pytest.skip(f"{interpreter} is not installed")
    env = tmp_path / "env"
    run([str(interpreter), "-m", "venv", str(env)], tmp_path)
    source = ["-e", str(PYTHON_DIR)] if editable else [str(PYTHON_DIR)]
    run([str(env / "bin" / "pip"), "install", "--no-index", "--quiet", *source], tmp_path)

    # The example, then where the package came from and what the virtual card left behind.
    temporary = tmp_path / "tmp"
    temporary.mkdir()
    script = readme_python_example() + (
        "import os\nprint(txorb.__file__, txorb.__version__, os.environ.get('TXORB_REGISTRY'))\n")
    location, version, registry = run(
        [str(env / "bin" / "python"), "-c", script], tmp_path, TMPDIR=str(temporary),
        TXORB_LIBRARY=str(BUILD_DIR / "libtxorb.so")).split()
    package = Path(location).parent
    if editable:
        assert package == PYTHON_DIR / "txorb"
    else:
        assert package.parent.name == "site-packages" and env in package.parents
    assert version == "1.0.0"
    assert registry == "None" and list(temporary.iterdir()) == []
