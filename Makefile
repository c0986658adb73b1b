# Two commands on a fresh Debian 12 machine:
#   make run    builds the installer and runs it (on $DISPLAY, or headless under Xvfb with
#               a screenshot of each window in build/screens/)
#   make test   builds everything and runs every test (host, then Windows under Wine)
.PHONY: all setup host win32 build test test-host test-win32 run clean

all: build

setup:
	@bash tools/setup.sh

host: setup
	cmake --preset host >/dev/null
	cmake --build --preset host

win32: host
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

build: win32

test-host: host
	ctest --preset host

test-win32: win32
	ctest --preset win32

test: build
	ctest --preset host
	ctest --preset win32

run: build
	bash tools/run-installer.sh

clean:
	rm -rf build
