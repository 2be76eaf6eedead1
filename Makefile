# make demo: install what is missing, build, run the program against the simulated printer.
# make test: install what is missing, build, run every test.
.PHONY: all deps build test demo bench clean

all: build

deps:
	bash scripts/deps.sh

build:
	cmake --preset default
	cmake --build --preset default

test: deps build
	cd build && ctest --output-on-failure -j2

demo: deps build
	bash scripts/demo.sh

bench: deps build
	bash bench/run.sh

clean:
	rm -rf build
