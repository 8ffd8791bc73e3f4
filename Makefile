# make test   installs what is missing, builds, and runs every test under Wine
# make demo   builds, then shows each sample document through the library (PNGs under out/)
# make bench  builds, then measures calls against the image server
BUILD ?= build
JOBS ?= 2

.PHONY: all deps configure build test demo bench format clean

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

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@[ ! -d $(BUILD) ] || for prefix in wine wine-e2e wine-demo; do \
		tools/winerun --prefix $(BUILD)/$$prefix --stop; done
	@rm -rf $(BUILD) out
