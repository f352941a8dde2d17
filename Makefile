# Glintwork: make run | make test | make bench | make package
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps bench-deps package-deps configure build run test bench package clean

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

clean:
	rm -rf $(BUILD)
