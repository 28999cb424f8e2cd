# The two commands: `make run` and `make test`. Both install what is missing
# (Debian packages), build, and then start the application or run every test.
#   NODEPS=1   skips installing what is missing (scripts/install-deps.sh), for
#              machines that are already set up
#   WERROR=1   treats compiler warnings as errors (CI); the build folder keeps
#              the choice until WERROR=0

BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
NODEPS     ?=
WERROR     ?=

# Options every configuration gets.
OSTRA_CMAKE = -G Ninja $(CMAKE_ARGS) $(if $(WERROR),-DOSTRA_WERROR=$(if $(filter 1 ON on yes,$(WERROR)),ON,OFF))

.PHONY: all deps configure build run test check-asan fuzz bench soak screenshot install package format format-check clean

all: build

deps:
	@if [ -z "$(NODEPS)" ]; then bash scripts/install-deps.sh; fi

configure: deps
	@cmake -S . -B $(BUILD) $(OSTRA_CMAKE)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)
	@if [ ! -x $(BUILD)/bin/ostracalc ]; then \
	  echo; \
	  echo "************************************************************************"; \
	  echo "* Qt 6 was not found: only the headless runner ostracalc-cli and the   *"; \
	  echo "* display-free tests were built; no desktop application, no manual.    *"; \
	  echo "* bash scripts/install-deps.sh installs Qt (make without NODEPS=1).    *"; \
	  echo "************************************************************************"; \
	  echo; \
	fi

# The desktop application when there is a display, else the demo program in the
# headless runner.
run: build
	@if [ -x $(BUILD)/bin/ostracalc ] && [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/bin/ostracalc examples/demo.sma; \
	else \
	  echo "No display: running examples/demo.sma with the headless runner"; \
	  $(BUILD)/bin/ostracalc-cli examples/demo.sma; \
	fi

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The display-free tests, built with AddressSanitizer and UndefinedBehaviorSanitizer.
check-asan: deps
	@cmake -S . -B build-asan $(OSTRA_CMAKE) -DOSTRA_SANITIZE=ON -DOSTRA_GUI=OFF -DCMAKE_BUILD_TYPE=Debug
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# Fuzzing: a longer run of the random-program test (FUZZ_PROGRAMS programs
# from FUZZ_SEED), then every libFuzzer target for FUZZ_SECONDS each, built
# with clang and the sanitizers in build-fuzz.
FUZZ_PROGRAMS ?= 10000
FUZZ_SEED     ?= $(shell date +%s)
FUZZ_SECONDS  ?= 60
fuzz: build
	@echo "Random programs: $(FUZZ_PROGRAMS) from seed $(FUZZ_SEED)"
	@OSTRA_RANDOM_PROGRAMS=$(FUZZ_PROGRAMS) OSTRA_RANDOM_SEED=$(FUZZ_SEED) \
	  $(BUILD)/bin/ostra_tests --gtest_filter='RandomPrograms.*'
	@if [ -z "$(NODEPS)" ]; then bash scripts/install-deps.sh fuzz; fi
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz $(OSTRA_CMAKE) -DOSTRA_FUZZ=ON -DOSTRA_GUI=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo
	@cmake --build build-fuzz -j $(JOBS)
	@bash tests/fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

bench: build
	@bash bench/run.sh $(BUILD)

# Long runs (not part of make test): the desktop windows run scripts/soak.sma
# offscreen for SOAK_MINUTES (default 10) with the simulated serial instrument
# and UDP peer, sampled every few seconds; fails when memory or descriptors
# grow after the first minute or a keystroke takes more than 50 ms.
soak: build
	@python3 scripts/soak.py $(BUILD)

# Screenshots of the main window and the output window running the demo, and
# of the plot window showing the help examples of fit and fft
# (examples/plots.sma), for the README; runs under a virtual display.
screenshot: build
	@mkdir -p docs/screenshots $(BUILD)/plot-shots
	@XDG_DATA_HOME="$(abspath $(BUILD))/xdg-data" xvfb-run -a -s "-screen 0 1280x1024x24" \
	  $(BUILD)/bin/ostracalc --screenshot docs/screenshots examples/demo.sma
	@XDG_DATA_HOME="$(abspath $(BUILD))/xdg-data" xvfb-run -a -s "-screen 0 1280x1024x24" \
	  $(BUILD)/bin/ostracalc --screenshot $(BUILD)/plot-shots examples/plots.sma
	@cp $(BUILD)/plot-shots/plot-window-1.png docs/screenshots/plot-window-fit.png
	@cp $(BUILD)/plot-shots/plot-window-2.png docs/screenshots/plot-window-fft.png

# make install DESTDIR=DIR installs into a scratch root.
install: build
	@cmake --install $(BUILD)

# The Debian package build/package/ostracalc_VERSION_ARCH.deb, then a check
# of the unpacked package (tests/package/check-deb.sh).
package: build
	@rm -f $(BUILD)/package/ostracalc_*.deb
	@cd $(BUILD) && cpack -G DEB
	@bash tests/package/check-deb.sh $(BUILD)/package/ostracalc_*.deb $(BUILD)

# The layout of .clang-format over every C++ source; format-check (CI)
# changes nothing and fails when a file differs.
format:
	@bash scripts/format.sh
format-check:
	@bash scripts/format.sh --check

clean:
	@rm -rf $(BUILD) build-asan build-fuzz
