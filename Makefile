# quill's commands. `make run` starts the demo game, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= 2

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	ninja -C $(BUILD_DIR)

# The demo reads its content through its data archive, packed fresh each time.
run: build
	$(BUILD_DIR)/bin/quill-pack create examples/demo/tallowen.dat examples/demo --compress --encrypt
	cd examples/demo && ../../$(BUILD_DIR)/bin/quill

# Windowed tests need a display: without one, the tests run under Xvfb.
test: build
	scripts/with-display.sh ctest --test-dir $(BUILD_DIR) -j $(JOBS) --output-on-failure

bench: build
	cd bench/scripts/bindings && ../../../$(BUILD_DIR)/bin/quill_bench
	cd bench/scripts/framerate && ../../../$(BUILD_DIR)/bin/quill_bench
	cd bench/vecmat && ../../$(BUILD_DIR)/bin/quill_bench
	$(BUILD_DIR)/bin/quill_bench_scene
	$(BUILD_DIR)/bin/quill_bench_mesh
	$(BUILD_DIR)/bin/quill_bench_spatial
	scripts/with-display.sh $(BUILD_DIR)/bin/quill_bench_upload
	$(BUILD_DIR)/bin/text_document_bench
	$(BUILD_DIR)/bin/archive_bench

clean:
	rm -rf $(BUILD_DIR)
