# quill's commands. `make run` starts the demo game, `make test` runs every test.
BUILD_DIR ?= build
JOBS ?= 2

.PHONY: all deps configure build run test bench clean windows windows-i686 test-windows

all: build

deps:
	@scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja

configure: $(BUILD_DIR)/build.ninja

build: deps configure
	ninja -C $(BUILD_DIR)

# The demo reads its content through its data archive, packed fresh each time
# from its own folder, the shared content under data/ (the shader files) and
# the content quill-demo-assets generates (music, a chime, an animated model).
run: build
	rm -rf $(BUILD_DIR)/demo-pack && mkdir -p $(BUILD_DIR)/demo-pack
	cp -R data/. examples/demo/. $(BUILD_DIR)/demo-pack/
	$(BUILD_DIR)/bin/quill-demo-assets $(BUILD_DIR)/demo-pack
	rm -f $(BUILD_DIR)/demo-pack/tallowen.dat
	$(BUILD_DIR)/bin/quill-pack create examples/demo/tallowen.dat $(BUILD_DIR)/demo-pack --compress --encrypt
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
	scripts/with-display.sh $(BUILD_DIR)/bin/quill_bench_frame
	scripts/with-display.sh $(BUILD_DIR)/bin/quill_bench_draw
	scripts/with-display.sh $(BUILD_DIR)/bin/quill_bench_lights
	scripts/with-display.sh $(BUILD_DIR)/bin/quill_bench_particles
	$(BUILD_DIR)/bin/quill_bench_animation
	$(BUILD_DIR)/bin/quill_bench_import
	$(BUILD_DIR)/bin/quill_ogg_tone $(BUILD_DIR)/bench-music.ogg 441000
	SDL_AUDIODRIVER=dummy QUILL_BENCH_OGG=$(BUILD_DIR)/bench-music.ogg $(BUILD_DIR)/bin/quill_bench_audio
	$(BUILD_DIR)/bin/text_document_bench
	$(BUILD_DIR)/bin/archive_bench

clean:
	rm -rf $(BUILD_DIR) $(WINDOWS_BUILD_DIR) $(WINDOWS_I686_BUILD_DIR)

# Windows, cross-built with mingw-w64: quill.exe, quill-pack.exe and the test
# programs, static apart from the system's DLLs. The dependencies are built
# from Debian's sources once per machine (scripts/build-windows-deps.sh).
WINDOWS_BUILD_DIR ?= build-windows
WINDOWS_I686_BUILD_DIR ?= build-windows-i686

windows:
	@scripts/install-deps.sh windows
	@scripts/build-windows.sh x86_64 $(WINDOWS_BUILD_DIR) $(JOBS)

# 32-bit x86 is built and linked; wine64 cannot run it here.
windows-i686:
	@scripts/install-deps.sh windows
	@scripts/build-windows.sh i686 $(WINDOWS_I686_BUILD_DIR) $(JOBS)

# The unit and script tests under wine64, with a private Xvfb and wine prefix.
test-windows: windows
	scripts/test-windows.sh $(WINDOWS_BUILD_DIR)
