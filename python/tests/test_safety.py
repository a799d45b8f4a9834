"""The module under hostile use: objects Python made alone, memory running
out, Ctrl-C during a long loop. Each case runs in an interpreter of its own,
so that a crash fails the test instead of ending the test run."""

import os
import signal
import subprocess
import sys
import textwrap
import time

import karven
from conftest import DEMO

SETUP = f"""
import resource
import numpy as np
import karven
model = karven.Model({str(DEMO)!r})
paris = model.curve(48.85, 2.35)
"""


def python(script: str, **options) -> subprocess.Popen:
    return subprocess.Popen([sys.executable, "-B", "-c", SETUP + textwrap.dedent(script)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            env=os.environ, **options)


def transcript(script: str) -> str:
    run = python(script)
    out, err = run.communicate(timeout=600)
    assert run.returncode == 0, err
    return out


def test_objects_made_without_the_module_raise_typeerror():
    out = transcript("""
        dating = karven.date(paris, inc=64.5, a95=2.5)
        cases = {
            "Curve.year": lambda: karven.Curve.__new__(karven.Curve).year,
            "repr(Curve)": lambda: repr(karven.Curve.__new__(karven.Curve)),
            "date(Curve)": lambda: karven.date(karven.Curve.__new__(karven.Curve), inc=64, a95=2),
            "date_event(curve=Curve)": lambda: karven.date_event(
                [{"inc": 64, "a95": 2}], curve=karven.Curve.__new__(karven.Curve)),
            "Model.field": lambda: karven.Model.__new__(karven.Model).field(48, 2, year=0),
            "Model.years": lambda: karven.Model.__new__(karven.Model).years,
            "Dating.density": lambda: karven.Dating.__new__(karven.Dating).density,
            "repr(Dating)": lambda: repr(karven.Dating.__new__(karven.Dating)),
            "EventDate.degrees": lambda: karven.EventDate.__new__(karven.EventDate).degrees,
            "DateInSequence.agreement":
                lambda: karven.DateInSequence.__new__(karven.DateInSequence).agreement,
            "SequenceDate.events": lambda: karven.SequenceDate.__new__(karven.SequenceDate).events,
        }
        for name, call in cases.items():
            try:
                print(name, "gives", call())
            except TypeError as e:
                print(f"{name}: {e}")
        # What the module made still works, and so does a model constructed late.
        print(karven.date(paris, inc=64.5, a95=2.5).mode == dating.mode)
        late = karven.Model.__new__(karven.Model)
        late.__init__(model.path)
        print(len(late.curve(48.85, 2.35)))
        """)
    nothing = "was made without the module (by __new__ alone) and holds nothing"
    assert out == "".join(f"{name}: this karven.{kind} {nothing}\n" for name, kind in [
        ("Curve.year", "Curve"), ("repr(Curve)", "Curve"),
        ("date(Curve)", "Curve"), ("date_event(curve=Curve)", "Curve"), ("Model.field", "Model"),
        ("Model.years", "Model"), ("Dating.density", "Dating"), ("repr(Dating)", "Dating"),
        ("EventDate.degrees", "EventDate"), ("DateInSequence.agreement", "DateInSequence"),
        ("SequenceDate.events", "SequenceDate"),
    ]) + "True\n381\n"


def test_running_out_of_memory_raises_memoryerror_and_the_module_goes_on():
    # The address space is limited to what the interpreter holds now and
    # 150 MB more: 20000 events or a field of 10^6 sites need far more.
    out = transcript("""
        def vm_size():
            with open("/proc/self/status") as status:
                return next(int(line.split()[1]) * 1024 for line in status
                            if line.startswith("VmSize:"))
        _, hard = resource.getrlimit(resource.RLIMIT_AS)
        cases = {
            "date_sequence": lambda: karven.date_sequence([{"inc": 64, "a95": 2}] * 20000,
                                                          curve=paris),
            "date_event": lambda: karven.date_event([{"inc": 64, "a95": 2}] * 200000,
                                                    curve=paris),
            "field": lambda: model.field(np.full(10**6, 48.85), 2.35),
        }
        for name, call in cases.items():
            resource.setrlimit(resource.RLIMIT_AS, (vm_size() + 150 * 2**20, hard))
            try:
                call()
                print(name, "ran")
            except MemoryError:
                print(name, "MemoryError")
            finally:
                resource.setrlimit(resource.RLIMIT_AS, (hard, hard))
        print(karven.date(paris, inc=64.5, a95=2.5).mode)
        """)
    mode = karven.date(karven.Model(DEMO).curve(48.85, 2.35), inc=64.5, a95=2.5).mode
    assert out == f"date_sequence MemoryError\ndate_event MemoryError\nfield MemoryError\n{mode}\n"


def test_ctrl_c_stops_long_loops_with_keyboardinterrupt():
    # Each call runs for a minute or more; Ctrl-C (SIGINT) must stop it
    # within seconds, as KeyboardInterrupt.
    calls = {
        "field": "model.field(np.full(200000, 48.85), 2.35, year=1500)",
        "date_event": "karven.date_event([{'inc': 64, 'a95': 2}] * 2000000, curve=paris)",
        "date_sequence": "karven.date_sequence([[{'inc': 64, 'a95': 2}] * 100] * 20000, "
                         "curve=paris)",
    }
    for name, call in calls.items():
        run = python(f"""
            print("started", flush=True)
            try:
                {call}
                print("ran to its end")
            except KeyboardInterrupt:
                print("KeyboardInterrupt")
            """)
        assert run.stdout.readline() == "started\n"
        time.sleep(1.0)
        sent = time.monotonic()
        run.send_signal(signal.SIGINT)
        out, err = run.communicate(timeout=60)
        assert (name, out, run.returncode) == (name, "KeyboardInterrupt\n", 0), err
        assert time.monotonic() - sent < 10, name
