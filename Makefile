# Glintwork: make run | make test | make bench | make package | make test-sanitize | make fuzz |
# make lint
BUILD ?= build
JOBS ?= $(shell nproc)
# The whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, in a build of its own.
SAN_BUILD ?= build-san
# libFuzzer harnesses (clang), in a build of their own; each runs FUZZ_SECONDS seconds.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# Names of the harnesses to run (e.g. FUZZ_HARNESSES=fuzz_emf); empty runs them all.
FUZZ_HARNESSES ?=

# One test asks for 1.6 GB on purpose and must see the failure, not an ASan abort.
SAN_ENV = ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp

.PHONY: all deps bench-deps package-deps fuzz-deps lint-deps configure build run test bench \
	package test-sanitize fuzz lint clean

all: build

deps:
	./scripts/install-deps.sh

bench-deps:
	./scripts/install-deps.sh --bench

package-deps:
	./scripts/install-deps.sh --package

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

# The Debian package, checked by lintian; its metainfo checked by appstreamcli.
package: package-deps build
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/glintwork_*.deb
	appstreamcli validate --no-net resources/*.metainfo.xml

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DGLINT_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(SAN_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

fuzz-deps:
	./scripts/install-deps.sh --fuzz

lint-deps:
	./scripts/install-deps.sh --lint

# Include layering, formatting and static analysis (scripts/lint.sh).
lint: lint-deps build
	./scripts/lint.sh $(BUILD)

fuzz: fuzz-deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DGLINT_FUZZ=ON \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	./fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_HARNESSES)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
