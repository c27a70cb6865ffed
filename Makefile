# Larkspoon! — the everyday commands. See README.md.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
WERROR := $(if $(CI),ON,OFF)
CMAKE_FLAGS ?=
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: all deps configure build install package run test guide bench screenshots fuzz format format-check translations clean

all: build

deps:
	scripts/install-deps

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DWARNINGS_AS_ERRORS=$(WERROR) $(LAUNCHER) $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Installs the programs, their resources and the desktop integration (PREFIX=/usr/local).
PREFIX ?= /usr/local
install: build guide
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package (build/larkspoon_<version>_<arch>.deb) of the same installation.
package: build guide
	cd $(BUILD_DIR) && cpack -G DEB

run: build
	$(BUILD_DIR)/src/larkspoon

# The user guide's PDF (its screenshots first); `make test` checks it.
guide: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target guide

test: build guide
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	scripts/run-bench $(BUILD_DIR)

# Every view again, then the guide printed from them and its first page as "guide".
screenshots: configure
	rm -f $(BUILD_DIR)/screenshots/stamp
	cmake --build $(BUILD_DIR) -j $(JOBS) --target guide

# Open-ended fuzzing with clang's libFuzzer (the bounded runs are part of `make test`).
fuzz: deps
	cmake -S . -B $(BUILD_DIR)-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DLARKSPOON_FUZZ_LIBFUZZER=ON \
	  -DLARKSPOON_BUILD_BENCH=OFF
	cmake --build $(BUILD_DIR)-fuzz -j $(JOBS) --target fuzz_all

format: deps
	scripts/format

format-check: deps
	scripts/format --check

# Collects the texts of src/ that are shown to users into the English translation source;
# commit the result. Without line numbers, the file changes only when the texts do.
LUPDATE ?= /usr/lib/qt6/bin/lupdate
translations: deps
	$(LUPDATE) -no-obsolete -locations none -source-language en -target-language en \
	  -extensions cpp,h src -ts translations/larkspoon_en.ts

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-fuzz
