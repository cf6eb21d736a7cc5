"""The morfel module against the morfel program: the same pixels from the
same program, and the errors in morfel's words with their fields."""
import os
import signal
import subprocess
import threading

import numpy
import pytest
from PIL import Image

import morfel

MORFEL = os.environ["MORFEL_BINARY"]


@pytest.fixture(scope="module")
def base(tmp_path_factory):
    return str(tmp_path_factory.mktemp("base"))


def picture(height=37, width=53, channels=3):
    """A deterministic image with every channel varying."""
    y, x, c = numpy.mgrid[0:height, 0:width, 0:channels]
    return ((x * 7 + y * 13 + c * 71 + x * y) % 256).astype(numpy.uint8)


def morfel_apply(tmp_path, image, base, *args):
    source, result = tmp_path / "in.png", tmp_path / "out.png"
    Image.fromarray(image).save(source)
    subprocess.run([MORFEL, "apply", "--quiet", "--base", base, *args, str(source), str(result)],
                   check=True)
    shown = Image.open(result)
    return numpy.asarray(shown.convert("RGBA" if image.shape[2] == 4 else "RGB"))


ADHOC_INIT = "?a,Amount,0,100,40;\ncoord=0;\nk=a/100;"
ADHOC_TRANSFORM = "R=R*(1-k)+x*k;G=255-G;\nB=(B+y)%256;T=x*4;"

# (module arguments, the same for morfel apply, channels)
SAME_PIXELS = [
    ({"program": "Deform/Twirl", "params": {"angle": 90}, "interpolation": "bezier"},
     ["--program", "Deform/Twirl", "--param", "angle=90", "--interp", "bezier"], 3),
    ({"program": "Colour/Invert"}, ["--program", "Colour/Invert"], 3),
    ({"program": "Alpha/Vignette"}, ["--program", "Alpha/Vignette"], 4),
    ({"program": "Deform/Wave", "interpolation": "linear", "threads": 1},
     ["--program", "Deform/Wave", "--interp", "linear", "--threads", "1"], 4),
    ({"init": ADHOC_INIT, "transform": ADHOC_TRANSFORM, "params": {"a": "cx/2"}},
     ["--init", ADHOC_INIT, "--transform", ADHOC_TRANSFORM, "--param", "a=cx/2"], 4),
    ({"init": ADHOC_INIT, "transform": ADHOC_TRANSFORM, "engine": "interpreter"},
     ["--init", ADHOC_INIT, "--transform", ADHOC_TRANSFORM, "--engine", "interpreter"], 3),
]


@pytest.mark.parametrize("arguments,command,channels", SAME_PIXELS)
def test_same_pixels_as_morfel_apply(tmp_path, base, arguments, command, channels):
    image = picture(channels=channels)
    kept = image.copy()
    result = morfel.apply(image, base=base, **arguments)
    assert result.shape == image.shape and result.dtype == numpy.uint8
    numpy.testing.assert_array_equal(result, morfel_apply(tmp_path, image, base, *command))
    numpy.testing.assert_array_equal(image, kept)


def test_strided_views_run_as_their_copies(base):
    whole = picture(height=60, width=80, channels=4)
    kept = whole.copy()
    views = [whole[::2, ::3], whole[:, ::-1], whole.transpose(1, 0, 2), whole[5:40, 7:70, :3]]
    for view in views:
        expected = morfel.apply(numpy.ascontiguousarray(view), program="Deform/Twirl", base=base)
        numpy.testing.assert_array_equal(morfel.apply(view, program="Deform/Twirl", base=base),
                                         expected)
    numpy.testing.assert_array_equal(whole, kept)
    # An opaque RGBA image gives the RGB image's colours.
    rgb = picture()
    rgba = numpy.dstack([rgb, numpy.full(rgb.shape[:2], 255, numpy.uint8)])
    numpy.testing.assert_array_equal(
        morfel.apply(rgba, program="Deform/Twirl", base=base)[:, :, :3],
        morfel.apply(rgb, program="Deform/Twirl", base=base))


def test_a_program_file_runs_as_its_texts(tmp_path, base):
    path = tmp_path / "program.txt"
    path.write_text("Group=Mine\nName=Shade\nInit=" + ADHOC_INIT.replace("\n", "\\n") +
                    "\nProg=" + ADHOC_TRANSFORM.replace("\n", "\\n") + "\n")
    image = picture()
    numpy.testing.assert_array_equal(
        morfel.apply(image, file=path, params={"a": 70}, base=base),
        morfel.apply(image, init=ADHOC_INIT, transform=ADHOC_TRANSFORM, params={"a": 70},
                     base=base))


def test_compile_errors_name_where_and_why(base):
    with pytest.raises(morfel.CompileError) as caught:
        morfel.apply(picture(), transform="R=1;\nG=sinn(x);", base=base)
    error = caught.value
    assert (error.text, error.line, error.column) == ("Transform", 2, 3)
    assert "sinn" in error.reason and error.hint == "did you mean 'sin'?"
    assert error.line_text == "G=sinn(x);"
    assert str(error).startswith("Transform line 2, column 3: ")
    assert str(error).endswith("\n  G=sinn(x);\n    ^")
    with pytest.raises(morfel.CompileError) as caught:
        morfel.check(init="a=1;\nb=(2;")
    assert (caught.value.text, caught.value.line) == ("Init", 2)
    assert morfel.check(init="coord=0;", transform="R=255-R;") == []
    assert morfel.check(transform="R=255-R;") == [
        "Transform line 1, column 1: 'R' is set while coord is 1, so the colour is discarded: "
        "coord=0; keeps colours"]


# (arguments, exception, words of its message)
ERRORS = [
    ({"program": "Deform/Twril"}, KeyError, "no program Deform/Twril in the library; the closest are:"),
    ({"program": "Twirl"}, ValueError, "a program is named GROUP/NAME: Twirl"),
    ({"program": "Deform/Twirl", "params": {"angel": 90}}, KeyError,
     "--param angel: the program has no such parameter; it declares angle"),
    ({"program": "Deform/Twirl", "params": {"angle": "9 0"}}, ValueError, "is not a value"),
    ({"program": "Deform/Twirl", "interpolation": "cubic"}, ValueError, "round, linear or bezier"),
    ({"program": "Deform/Twirl", "engine": "jit"}, ValueError, "interpreter or compiled"),
    ({"program": "Deform/Twirl", "threads": 0}, ValueError, "from 1 to"),
    ({"program": "Deform/Twirl", "init": "a=1;"}, ValueError, "give one program"),
    ({}, ValueError, "give one program"),
]


@pytest.mark.parametrize("arguments,exception,words", ERRORS)
def test_bad_arguments_in_morfels_words(base, arguments, exception, words):
    with pytest.raises(exception) as caught:
        morfel.apply(picture(), base=base, **arguments)
    assert words in str(caught.value)


def test_bad_images_and_stopped_runs(base):
    for image, exception in [(picture().astype(numpy.float32), TypeError),
                             (picture()[:, :, :2], ValueError), ([[1, 2, 3]], TypeError)]:
        with pytest.raises(exception):
            morfel.apply(image, transform="R=1;", base=base)
    with pytest.raises(morfel.RunStopped) as caught:
        morfel.apply(picture(), transform='R=("a")+1;', base=base, engine="interpreter")
    assert (caught.value.x, caught.value.y) == (0, 0) and caught.value.reason
    assert str(caught.value).startswith("The program was stopped at pixel (0, 0)")


def test_ctrl_c_stops_an_endless_run(base):
    started = threading.Event()
    interrupter = threading.Thread(
        target=lambda: started.wait() and os.kill(os.getpid(), signal.SIGINT))
    interrupter.start()
    # The timeout only ends the test should the interrupt fail.
    with pytest.raises(KeyboardInterrupt):
        morfel.apply(picture(), transform="while (1) { x=x+1; }", timeout=120, base=base,
                     progress=lambda fraction: started.set())
    interrupter.join()


def test_two_python_threads_run_at_once(base):
    images = [picture(height=90, width=70), picture(height=50, width=120)]
    alone = [morfel.apply(image, program="Deform/Ripple", base=base) for image in images]
    together = [None, None]

    def run(k):
        together[k] = morfel.apply(images[k], program="Deform/Ripple", base=base)

    threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for k in range(2):
        numpy.testing.assert_array_equal(together[k], alone[k])


def test_the_library_and_the_language(base):
    names = morfel.programs(base=base)
    assert "Deform/Twirl" in names and len(set(names)) == len(names)
    shown = morfel.show("Deform/Twirl", base=base)
    assert shown["transform"] and [p["name"] for p in shown["parameters"]] == ["angle", "size"]
    assert any(name == "sin" for name, _, _ in morfel.functions())
    fractions = []
    morfel.apply(picture(), program="Deform/Twirl", base=base, progress=fractions.append)
    assert fractions[-1] == 1.0 and fractions == sorted(fractions)
