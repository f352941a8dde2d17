# Glintwork: make run | make test | make bench
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps bench-deps configure build run test bench clean

all: build

deps:
	./scripts/install-deps.sh

bench-deps:
	./scripts/install-deps.sh --bench

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/src/app/glintwork

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: bench-deps build
	./bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD)
