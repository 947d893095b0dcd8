# Thin targets over CMake. `make test` and `make demo` install what they need first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BENCH_BUILD ?= build-bench
DOCS_BUILD ?= build-docs
PREFIX     ?= /usr/local
CMAKE_FLAGS ?=
# WERROR=ON (as CI runs it) fails the build on any compiler warning.
WERROR     ?= OFF
QV_FLAGS    = -DQV_WERROR=$(WERROR) $(CMAKE_FLAGS)

.PHONY: all deps build test test-plain test-asan test-tsan test-fuzz demo bench docs install format format-check stress clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja $(QV_FLAGS)
	cmake --build $(BUILD)

test: test-fuzz test-plain test-asan test-tsan

test-plain: build
	cd $(BUILD) && ctest --output-on-failure

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DQV_SANITIZE=address -DCMAKE_BUILD_TYPE=Debug $(QV_FLAGS)
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -LE "install|window"

test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DQV_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug $(QV_FLAGS)
	cmake --build $(TSAN_BUILD)
	# llvmpipe renders on the calling thread here: its own worker threads are not instrumented, and without
	# them a race between two of our threads issuing GL still shows inside the driver.
	cd $(TSAN_BUILD) && LP_NUM_THREADS=0 TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -L threaded

test-fuzz: deps
	FUZZ_DIR=$(CURDIR)/build-fuzz bash scripts/run-fuzz.sh

# The threaded suites of the plain, ASan and TSan builds, STRESS_ROUNDS times in a row (default 20) while two
# busy processes load the machine; stops at the first failure. The three builds must exist (make test).
STRESS_ROUNDS ?= 20
stress:
	@bash scripts/stress.sh $(STRESS_ROUNDS) $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)

demo: build
	@if [ -n "$$DISPLAY" ]; then \
	  $(BUILD)/apps/qvview/qvview; \
	else \
	  mkdir -p out && $(BUILD)/apps/qvview/qvview --headless --out out/demo.png --size 1280x720 --frames 4 && \
	  echo "No display: wrote out/demo-*.png"; \
	fi

bench: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DQV_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF $(QV_FLAGS)
	cmake --build $(BENCH_BUILD)
	@for b in $(BENCH_BUILD)/bench/bench_*; do echo "== $$b"; $$b || exit 1; done

# API pages from the public headers into $(DOCS_BUILD)/html; any Doxygen warning fails it.
docs: deps
	mkdir -p $(DOCS_BUILD)
	QV_DOCS_OUT=$(DOCS_BUILD) doxygen docs/Doxyfile
	@echo "API documentation: $(DOCS_BUILD)/html/index.html"

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

format:
	git ls-files '*.h' '*.cpp' | xargs clang-format -i

format-check: deps
	git ls-files '*.h' '*.cpp' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BENCH_BUILD) $(DOCS_BUILD) build-fuzz out
