# Commands a user types. Everything is built out of tree under build*/.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
BOINC_BUILD ?= build-boinc
BOINC_APP  ?= $(BOINC_BUILD)/app
BOINC_CLIENT ?= $(BOINC_BUILD)/boinc-client
AARCH64_BUILD ?= build-aarch64
WINDOWS_BUILD ?= build-windows
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX     ?= /usr/local

.PHONY: all setup configure build run install test test-long test-asan test-tsan test-boinc boinc-app \
        boinc-app-x86_64 boinc-app-aarch64 boinc-app-windows test-boinc-client test-boinc-aarch64 test-boinc-windows \
        test-aarch64 test-windows dist bench clean

all: build

setup:
	@bash scripts/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The build's own output is shown only when it fails, so that the program's
# banner is the first thing on the screen.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brunsk > $(BUILD)/build-run.log 2>&1 \
	  || { cat $(BUILD)/build-run.log; exit 1; }
	@$(BUILD)/brunsk

# The client and the coordinator's ledger, each with its man page.
install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target brunsk brunsk-ledger > $(BUILD)/build-install.log 2>&1 \
	  || { cat $(BUILD)/build-install.log; exit 1; }
	@cmake --install $(BUILD) --prefix $(PREFIX)

test: build
	@cd $(BUILD) && ctest -LE long -j $(JOBS) --output-on-failure

test-long: build
	@cd $(BUILD) && ctest -L long --output-on-failure

test-asan: setup
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DBRUNSK_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest -LE 'long|heavy' -j $(JOBS) --output-on-failure

# Everything that runs on several threads (the tests named *Threads*), under
# the thread sanitizer.
TSAN_TESTS = PiNYZThreadsTest PieceSchedulerThreadsTest SplitTermThreadsTest CheckedPiThreadsTest
test-tsan: setup
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DBRUNSK_TSAN=ON >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS)
	@cd $(TSAN_BUILD) && ctest -R 'Threads' -LE long --output-on-failure

# Every parser of outside input under libFuzzer, with the address and
# undefined-behaviour sanitizers (fuzz/): each target is built with clang and
# run for FUZZ_SECONDS over a scratch copy of its seeds; the input that
# breaks one is kept in $(FUZZ_BUILD)/crashes/TARGET/, which the failure
# names. One target longer: make fuzz FUZZ_TARGETS=ResultScanFuzz FUZZ_SECONDS=600
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
.PHONY: fuzz
fuzz:
	@bash scripts/setup.sh --fuzz
	@cmake -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@FUZZ_BUILD=$(FUZZ_BUILD) FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_TARGETS="$(FUZZ_TARGETS)" bash fuzz/run.sh

# The ledger's report in a real browser, Debian's chromium headless: the
# page and the plot of a sample report and of a small ledger's render, not
# blank, with one mark per point (about 20 s once the ordinary build is
# done: it builds in it).
REPORT_BUILD ?= $(BUILD)
.PHONY: test-report
test-report:
	@bash scripts/setup.sh --report
	@BUILD=$(REPORT_BUILD) JOBS=$(JOBS) bash tests/ledger/report_browser_test.sh

# The BOINC application and its tests (the one-point run of the long label:
# cd $(BOINC_BUILD) && ctest -L boinc).
test-boinc:
	@BRUNSK_BOINC_CLIENT=$(BOINC_CLIENT) bash scripts/setup.sh --boinc
	@cmake -S . -B $(BOINC_BUILD) -DCMAKE_BUILD_TYPE=Release -DBRUNSK_BOINC=ON >/dev/null
	@cmake --build $(BOINC_BUILD) -j $(JOBS) --target boinc_all
	@cd $(BOINC_BUILD) && ctest -L boinc -LE long -j $(JOBS) --output-on-failure

# The app version folders, one per platform, each ready to copy to a
# project's apps/brunsk/VERSION/PLATFORM/ (boinc/README.md).
boinc-app: boinc-app-x86_64 boinc-app-aarch64 boinc-app-windows

# The licences of what an app version carries: Brunsk's own, the prime-sieve
# library's (linked in), the BOINC libraries' (shipped) and the LGPL they
# are under.
BOINC_LIB_NOTICES = --notice LICENSE LICENSE \
                    --notice /usr/share/doc/libboinc7/copyright COPYING.boinc \
                    --notice /usr/share/common-licenses/LGPL-3 COPYING.LGPL-3 \
                    --notice /usr/share/common-licenses/GPL-3 COPYING.GPL-3
BOINC_NOTICES = --notice $(BOINC_BUILD)/primesieve-build/src/primesieve_pinned/COPYING COPYING.primesieve $(BOINC_LIB_NOTICES)

boinc-app-x86_64:
	@BRUNSK_BOINC_CLIENT=$(BOINC_CLIENT) bash scripts/setup.sh --boinc
	@cmake -S . -B $(BOINC_BUILD) -DCMAKE_BUILD_TYPE=Release -DBRUNSK_BOINC=ON >/dev/null
	@cmake --build $(BOINC_BUILD) -j $(JOBS) --target brunsk_boinc brunsk
	@bash boinc/make_app_version.sh $(BOINC_NOTICES) $(BOINC_BUILD)/brunsk_boinc $(BOINC_APP)/x86_64-pc-linux-gnu \
	  /usr/lib/x86_64-linux-gnu /lib/x86_64-linux-gnu

# The aarch64 app version, cross-built with the pinned prime-sieve release
# linked in, against the BOINC libraries of Debian's arm64 architecture,
# which it then carries.
BOINC_AARCH64_BUILD ?= build-boinc-aarch64
ARM64_LIBS = /usr/lib/aarch64-linux-gnu
# The arm64 SQLite and OpenSSL that every aarch64 build's brunsk-ledger
# links (scripts/setup.sh --cross installs them), named since the cross
# build's search, inside the cross compiler's folder, does not find them;
# their static archives, as scripts/dist.sh links them.
ARM64_LEDGER_LIBS = -DSQLite3_INCLUDE_DIR=/usr/include -DSQLite3_LIBRARY=$(ARM64_LIBS)/libsqlite3.a \
  -DOPENSSL_USE_STATIC_LIBS=TRUE -DOPENSSL_INCLUDE_DIR=/usr/include \
  -DOPENSSL_CRYPTO_LIBRARY=$(ARM64_LIBS)/libcrypto.a -DOPENSSL_SSL_LIBRARY=$(ARM64_LIBS)/libssl.a
boinc-app-aarch64:
	@bash scripts/setup.sh --cross
	@BRUNSK_BOINC_CLIENT=$(BOINC_CLIENT) bash scripts/setup.sh --boinc
	@bash scripts/setup.sh --boinc-arm64
	@cmake -S . -B $(BOINC_AARCH64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DBRUNSK_BOINC=ON -DBOINC_INCLUDE_DIR=/usr/include/boinc \
	  -DBOINC_API_LIBRARY=$(ARM64_LIBS)/libboinc_api.so.7 -DBOINC_LIBRARY=$(ARM64_LIBS)/libboinc.so.7 \
	  -DCMAKE_EXE_LINKER_FLAGS=-Wl,-rpath-link,$(ARM64_LIBS) $(ARM64_LEDGER_LIBS) >/dev/null
	@cmake --build $(BOINC_AARCH64_BUILD) -j $(JOBS) --target brunsk_boinc
	@bash boinc/make_app_version.sh \
	  --notice $(BOINC_AARCH64_BUILD)/primesieve-build/src/primesieve_pinned/COPYING COPYING.primesieve \
	  $(BOINC_LIB_NOTICES) \
	  $(BOINC_AARCH64_BUILD)/brunsk_boinc $(BOINC_APP)/aarch64-unknown-linux-gnu $(ARM64_LIBS) /lib/aarch64-linux-gnu

# The Windows x86-64 app version (BOINC's platform windows_x86_64): BOINC's
# application library built with mingw-w64 from the pinned BOINC release
# (boinc/build_boinc_windows.sh, about a minute, kept in the build folder),
# and brunsk_boinc.exe linked statically with it and the pinned prime-sieve
# release, so that it needs no DLL beyond Windows' own. It carries the
# licences of both and the BOINC release's own LGPL 3 and GPL 3 texts.
BOINC_WINDOWS_BUILD ?= build-boinc-windows
boinc-app-windows:
	@bash scripts/setup.sh --cross
	@boinc=$$(JOBS=$(JOBS) bash boinc/build_boinc_windows.sh $(BOINC_WINDOWS_BUILD)) && \
	cmake -S . -B $(BOINC_WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DBRUNSK_BOINC=ON "-DBOINC_INCLUDE_DIR=$$boinc/src/api;$$boinc/src/lib;$$boinc/src/win_build" \
	  -DBOINC_API_LIBRARY=$$boinc/lib/libboinc_api.a -DBOINC_LIBRARY=$$boinc/lib/libboinc.a >/dev/null && \
	cmake --build $(BOINC_WINDOWS_BUILD) -j $(JOBS) --target brunsk_boinc && \
	bash boinc/make_app_version.sh --notice LICENSE LICENSE \
	  --notice $(BOINC_WINDOWS_BUILD)/primesieve-build/src/primesieve_pinned/COPYING COPYING.primesieve \
	  --notice $$boinc/src/COPYING.LESSER COPYING.LGPL-3 --notice $$boinc/src/COPYING COPYING.GPL-3 \
	  $(BOINC_WINDOWS_BUILD)/brunsk_boinc.exe $(BOINC_APP)/windows_x86_64

# The Windows app version under wine, standalone (no client; about two
# minutes: two points are computed), in a wine folder of its build's own
# made as test-windows makes its own, with one wine server for the run.
BOINC_WINE_ENV = WINEPREFIX=$(abspath $(BOINC_WINDOWS_BUILD))/wine WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=
test-boinc-windows: boinc-app-windows
	@[ -f $(BOINC_WINDOWS_BUILD)/wine/system.reg ] || \
	  { $(BOINC_WINE_ENV) timeout 300 wineboot -i >/dev/null 2>&1; $(BOINC_WINE_ENV) timeout 120 wineserver -w; }
	@$(BOINC_WINE_ENV) wineserver -p
	@$(BOINC_WINE_ENV) timeout 60 wine cmd /c exit >/dev/null 2>&1 </dev/null; \
	  $(BOINC_WINE_ENV) bash boinc/test_app_windows.sh $(BOINC_APP)/windows_x86_64; \
	  status=$$?; $(BOINC_WINE_ENV) wineserver -k 2>/dev/null; exit $$status

# The aarch64 app version under qemu-aarch64: it starts, loads its BOINC
# libraries from its own folder and refuses a bad unit (a whole point takes
# ten minutes under emulation; the x86_64 one computes them under the client).
test-boinc-aarch64: boinc-app-aarch64
	@bash boinc/test_app_aarch64.sh $(BOINC_APP)/aarch64-unknown-linux-gnu

# The x86_64 app version under Debian's BOINC client, unpacked by
# scripts/setup.sh --boinc (a few minutes: three points are computed).
test-boinc-client: boinc-app-x86_64
	@BRUNSK=$(BOINC_BUILD)/brunsk bash boinc/test_client.sh $(BOINC_APP)/x86_64-pc-linux-gnu $(BOINC_CLIENT)/usr/bin

# The Vantrel project on a BOINC server (boinc/README.md), as root: the
# server built once per machine from its pinned source (cached outside the
# clone), a private MariaDB and Apache on the loopback, the app versions of
# boinc-app, the ledger and the daemons; boinc/stop_project.sh
# $(BOINC_SERVER_DIR) stops it. BOINC_SERVER_ARGS passes options to
# boinc/make_project.sh (--url-host, --bind, --port, --ledger). The
# server's own brunsk and brunsk-ledger are those of the ordinary build.
BOINC_SERVER_BUILD ?= build-boinc-server
BOINC_SERVER_DIR ?= $(BOINC_SERVER_BUILD)/vantrel
BOINC_SERVER_ARGS ?=
.PHONY: boinc-server boinc-server-programs test-boinc-server
boinc-server-programs:
	@bash scripts/setup.sh --boinc-server
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target brunsk brunsk-ledger
	@bash boinc/build_server.sh >/dev/null

boinc-server: boinc-app boinc-server-programs
	@bash boinc/make_project.sh $(BOINC_SERVER_ARGS) --apps $(BOINC_APP) --brunsk $(BUILD)/brunsk \
	  --ledger-program $(BUILD)/brunsk-ledger $(BOINC_SERVER_DIR)

# The whole path with two real BOINC clients on the loopback (about five
# minutes once the server is built): units from the ledger, computed,
# validated and assimilated, their points verified in the ledger; a
# damaged result found invalid.
test-boinc-server: boinc-app boinc-server-programs
	@BRUNSK_BOINC_CLIENT=$(BOINC_CLIENT) bash scripts/setup.sh --boinc
	@bash boinc/test_server.sh $(BOINC_APP) $(BOINC_CLIENT)/usr/bin $(BUILD)/brunsk \
	  $(BUILD)/brunsk-ledger

# The ordinary tests cross-built for Linux on 64-bit ARM and run under
# qemu-aarch64, the heavy ones left out (emulation is about 17 times slower).
test-aarch64:
	@bash scripts/setup.sh --cross
	@cmake -S . -B $(AARCH64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake $(ARM64_LEDGER_LIBS) >/dev/null
	@cmake --build $(AARCH64_BUILD) -j $(JOBS)
	@cd $(AARCH64_BUILD) && ctest -LE 'long|heavy' -j $(JOBS) --output-on-failure

# The ordinary tests cross-built for Windows x86-64 and run under wine, in a
# wine folder of the build's own (made once, without a display).
WINE_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wine WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=
test-windows:
	@bash scripts/setup.sh --cross
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake >/dev/null
	@cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	@[ -f $(WINDOWS_BUILD)/wine/system.reg ] || { $(WINE_ENV) wineboot -i >/dev/null 2>&1; $(WINE_ENV) wineserver -w; }
	@# One wine server for the whole run, its services started here and not
	@# by a test (whose output they would hold open): a server that quits
	@# when its last program ends can refuse the next test as it starts
	@# ("recvmsg: Connection reset by peer").
	@$(WINE_ENV) wineserver -p
	@$(WINE_ENV) wine cmd /c exit >/dev/null 2>&1 </dev/null
	@cd $(WINDOWS_BUILD) && $(WINE_ENV) ctest -LE long -j $(JOBS) --output-on-failure; \
	  status=$$?; $(WINE_ENV) wineserver -k 2>/dev/null; exit $$status

# The release archives of the three platforms and their SHA256SUMS, in dist/.
dist:
	@bash scripts/setup.sh
	@bash scripts/setup.sh --cross
	@JOBS=$(JOBS) bash scripts/dist.sh

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	@BUILD=$(BUILD) bash bench/run.sh

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(BOINC_BUILD) $(AARCH64_BUILD) $(WINDOWS_BUILD) $(BOINC_AARCH64_BUILD) \
	  $(BOINC_WINDOWS_BUILD) $(FUZZ_BUILD) $(BOINC_SERVER_BUILD) build-release-x86_64 dist
