"""pip install . builds the module with the project's CMake (see
docs/python.md): configured in pip's build folder, only its target built,
and the package it leaves copied into the wheel."""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


def version():
    """The version the morfel program prints, from the one place it is written."""
    text = (SOURCE / "host" / "usage.h").read_text()
    return re.search(r'kMorfelVersion = "([0-9.]+)"', text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                        "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG", "-DMORFEL_TESTS=OFF",
                        "-DMORFEL_BENCH=OFF", "-DPython3_EXECUTABLE=" + sys.executable],
                       check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "morfel_python", "-j",
                        str(os.cpu_count() or 1)], check=True)
        package = Path(self.get_ext_fullpath(ext.name)).parent
        package.mkdir(parents=True, exist_ok=True)
        for built in (build / "python" / "morfel").iterdir():
            shutil.copy2(built, package / built.name)


setup(version=version(),
      packages=["morfel"],
      package_dir={"morfel": "python/morfel"},
      package_data={"morfel": ["*.pyi", "py.typed"]},
      ext_modules=[Extension("morfel._morfel", sources=[])],
      cmdclass={"build_ext": CMakeBuild})
