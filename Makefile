# make test     installs what is missing, builds, and runs every test under Wine
# make demo     builds, then shows each sample document through the library (PNGs under out/)
# make bench    builds, then measures calls against the image server
# make fuzz     builds, then feeds the image server 10,000 mutated documents
# make package  builds, then writes the SDK as dist/kelocli-VERSION-win64.zip
BUILD ?= build
JOBS ?= 2

.PHONY: all deps configure build test demo bench fuzz package format clean

all: build

deps:
	@tools/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure

demo: build
	@viewer/run-demo $(BUILD) out

bench: build
	@bench/run-bench $(BUILD)

fuzz: build
	@tests/e2e/run-fuzz $(BUILD) 10000

package: build
	@cd $(BUILD) && cpack --config CPackConfig.cmake
	@rm -rf dist/_CPack_Packages

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@[ ! -d $(BUILD) ] || for prefix in wine wine-e2e wine-demo wine-sdk wine-fuzz; do \
		tools/winerun --prefix $(BUILD)/$$prefix --stop; done
	@rm -rf $(BUILD) out dist
