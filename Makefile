# `make demo` and `make test` do everything on a fresh Debian machine: install what is
# missing, configure and build both modules, then run.
JOBS ?= 2
LINUX := build/linux
WIN := build/win
TSAN := build/tsan

.PHONY: demo test deps build build-linux build-win build-tsan bench clean

deps:
	@bash scripts/deps.sh

build-linux: deps
	@cmake -S . -B $(LINUX) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(LINUX) -j $(JOBS)

build-win: deps
	@cmake -S . -B $(WIN) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DMOLTRIN_BENCH=OFF -DMOLTRIN_TOOLS=OFF >/dev/null
	@cmake --build $(WIN) -j $(JOBS)

build-tsan: deps
	@cmake -S . -B $(TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOLTRIN_TSAN=ON \
	  -DMOLTRIN_BENCH=OFF -DMOLTRIN_TOOLS=OFF >/dev/null
	@cmake --build $(TSAN) -j $(JOBS) --target binary_tests

build: build-linux build-win

demo: build-linux
	@bash scripts/demo.sh $(LINUX)

test: build build-tsan
	@bash scripts/test.sh $(LINUX) $(WIN) $(TSAN)

bench: build-linux
	@$(LINUX)/tests/benchmarks

clean:
	rm -rf build
