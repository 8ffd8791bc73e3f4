# make test   installs what is missing, builds, and runs every test under Wine
# make demo   builds and runs the demonstration host
BUILD ?= build
JOBS ?= 2

.PHONY: all deps configure build test demo format clean

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
	@tools/winerun --prefix $(BUILD)/wine $(BUILD)/bin/kelodemo.exe

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@[ ! -d $(BUILD) ] || tools/winerun --prefix $(BUILD)/wine --stop
	@rm -rf $(BUILD) out
