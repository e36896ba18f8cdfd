# Thin wrappers around CMake. See README.md.
BUILD ?= build
JOBS ?= $(shell nproc)
# libqt6opengl6-dev: Qt Charts' CMake files ask for Qt6OpenGL, which qt6-charts-dev does not bring.
# strace: a test watches the whole-file replaces sync their folder; tzdata: daylight-saving tests.
# libmicrohttpd-dev: the status server; prometheus (promtool and a real scraper) and chromium
# (headless, the status page): its tests.
DEB_PACKAGES = cmake g++ make pkgconf qt6-base-dev libqt6serialport6-dev qt6-serialport-dev \
               qt6-charts-dev libqt6opengl6-dev libsystemd-dev systemd xvfb xauth faketime \
               poppler-utils fonts-dejavu-core fonts-liberation dpkg-dev libcap2-bin file lintian \
               man-db strace tzdata libmicrohttpd-dev prometheus chromium
export KESTRELPOINT_HOME ?= $(HOME)/Kestrelpoint

.PHONY: all build deps run test demo package clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

deps:
	@if [ "$$(id -u)" -ne 0 ]; then \
	  echo "make deps installs Debian packages and must run as root:"; \
	  echo "  sudo apt-get update && sudo apt-get install -y $(DEB_PACKAGES)"; exit 1; fi
	apt-get update
	DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $(DEB_PACKAGES)

run: build
	@mkdir -p "$(KESTRELPOINT_HOME)"
	@[ -e "$(KESTRELPOINT_HOME)/Kestrelpoint.hlp" ] || cp docs/Kestrelpoint.hlp "$(KESTRELPOINT_HOME)/" 2>/dev/null || true
	$(BUILD)/src/kestrelpoint

test: build
	cd $(BUILD) && ctest --output-on-failure -j 2

demo: build
	tools/demo.sh $(BUILD)

# The Debian package: $(BUILD)/kestrelpoint_<version>_<arch>.deb
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
