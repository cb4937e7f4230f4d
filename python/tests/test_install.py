"""The package installs from the source tree without the network and works from where it lands."""

from __future__ import annotations

import os
import shutil
import subprocess
import sys
from pathlib import Path

from conftest import PYTHON_DIR

INSTALLED_FILES = ["__init__.py", "__main__.py", "_active.py", "_library.py", "_signatures.py",
                   "card.py", "errors.py", "lists.py", "py.typed", "values.py"]


def run(args: list, cwd: Path) -> subprocess.CompletedProcess:  # type: ignore[type-arg]
    environment = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    return subprocess.run(args, cwd=cwd, env=environment, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=300)


def test_offline_install_into_a_virtual_environment(tmp_path: Path) -> None:
    # A copy, so that the build leaves nothing behind in the checkout.
    source = tmp_path / "source"
    shutil.copytree(PYTHON_DIR, source,
                    ignore=shutil.ignore_patterns("tests", "__pycache__", ".pytest_cache",
                                                  "build", "*.egg-info"))
    env = tmp_path / "env"
    done = run([sys.executable, "-m", "venv", "--system-site-packages", str(env)], tmp_path)
    assert done.returncode == 0, done.stdout.decode()
    python = env / "bin" / "python"
    done = run([str(python), "-m", "pip", "install", "--no-build-isolation", "--no-index",
                "--quiet", str(source)], tmp_path)
    assert done.returncode == 0, done.stdout.decode()

    done = run([str(python), "-c", "import txorb; print(txorb.__file__); print(txorb.__version__)"],
               tmp_path)
    location, version = done.stdout.decode().split()
    package = Path(location).parent
    assert package.parent.name == "site-packages" and env in package.parents
    assert version == "1.0.0"
    assert sorted(p.name for p in package.iterdir() if p.name != "__pycache__") == INSTALLED_FILES

    done = run([str(python), "-m", "txorb", "info", "--card", "11"], tmp_path)
    assert done.returncode == 1    # the library loads; card 11 cannot exist
    assert b"file version: 11249" in done.stdout
