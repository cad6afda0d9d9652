# The two commands a new user needs: `make run` and `make test`.
BUILD ?= build
MODEL ?= examples/model1.dat3
JOBS  ?= $(shell nproc)

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# Status 3 means written, with input problems listed above.
run: build
	@$(BUILD)/cli/Cor2TavikCmd "$(MODEL)"; status=$$?; \
	  if [ $$status -eq 0 ] || [ $$status -eq 3 ]; then echo "wrote $(basename $(MODEL)).std"; fi; \
	  exit $$status

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
