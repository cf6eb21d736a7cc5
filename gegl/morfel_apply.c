/* The GEGL operation morfel:apply: a program of the user's Morfel library
   (or Init and Transform texts) as a filter of a GEGL graph, such as a
   layer's non-destructive filter in an image editor.

   A program may read any position of its source and run several passes,
   so the operation works on the whole picture at once: it asks for the
   whole input, and its output is cached whole, so it runs once for each
   change of its properties or of its input. */
#include <glib/gi18n-lib.h>

#ifdef GEGL_PROPERTIES

/* The property list is GEGL's macro language, laid out as GEGL lays it out. */
/* clang-format off */
enum_start (morfel_interpolation)
  enum_value (MORFEL_INTERPOLATION_ROUND, "round", N_("Round"))
  enum_value (MORFEL_INTERPOLATION_LINEAR, "linear", N_("Linear"))
  enum_value (MORFEL_INTERPOLATION_BEZIER, "bezier", N_("Bezier"))
enum_end (MorfelInterpolation)

property_string (program, _("Program"), "")
  description (_("A program of the library, as Group/Name; empty: the Init and Transform texts"))
property_string (init, _("Init"), "")
  description (_("The Init text, with its parameter declarations (when Program is empty)"))
  ui_meta ("multiline", "true")
property_string (transform, _("Transform"), "")
  description (_("The Transform text (when Program is empty)"))
  ui_meta ("multiline", "true")
property_string (params, _("Parameters"), "")
  description (_("name=value pairs (or values in row order), separated by commas or new lines"))
  ui_meta ("multiline", "true")
property_enum (interpolation, _("Interpolation"), MorfelInterpolation, morfel_interpolation,
               MORFEL_INTERPOLATION_ROUND)
  description (_("How source colours are sampled between pixels"))
property_string (base, _("Base folder"), "")
  description (_("The folder of the library and its data; empty: the one morfel uses"))
property_int (threads, _("Threads"), 0)
  description (_("Threads a pass may use; 0: MORFEL_THREADS, else every hardware thread"))
  value_range (0, 64)
/* clang-format on */

#else

#define GEGL_OP_FILTER
#define GEGL_OP_NAME morfel_apply
#define GEGL_OP_C_SOURCE morfel_apply.c

#include "gegl-op.h"
#include "gegl/gegl_run.h"

static const char* const kRgbaFormat = "R'G'B'A u8";

static void prepare(GeglOperation* operation) {
  const Babl* format = babl_format(kRgbaFormat);
  gegl_operation_set_format(operation, "input", format);
  gegl_operation_set_format(operation, "output", format);
}

static GeglRectangle input_bounds(GeglOperation* operation) {
  const GeglRectangle* in = gegl_operation_source_get_bounding_box(operation, "input");
  if (in != NULL) return *in;
  return *GEGL_RECTANGLE(0, 0, 0, 0);
}

static GeglRectangle get_bounding_box(GeglOperation* operation) { return input_bounds(operation); }

/* An input without bounds (a pattern, say) cannot be run whole: the
   operation passes it through region by region, as process says. */
static GeglRectangle whole_or(GeglOperation* operation, const GeglRectangle* region) {
  GeglRectangle whole = input_bounds(operation);
  return gegl_rectangle_is_infinite_plane(&whole) ? *region : whole;
}

static GeglRectangle get_required_for_output(GeglOperation* operation, const gchar* input_pad,
                                             const GeglRectangle* roi) {
  (void)input_pad;
  return whole_or(operation, roi);
}

static GeglRectangle get_invalidated_by_change(GeglOperation* operation, const gchar* input_pad,
                                               const GeglRectangle* input_region) {
  (void)input_pad;
  return whole_or(operation, input_region);
}

static GeglRectangle get_cached_region(GeglOperation* operation, const GeglRectangle* roi) {
  return whole_or(operation, roi);
}

/* GLib's log under GEGL's domain: the gegl tool prints it, an image editor
   shows it in its error console. */
static void report(const char* message) {
  g_log("GEGL", G_LOG_LEVEL_WARNING, "morfel:apply: %s", message);
}

static gboolean process(GeglOperation* operation, GeglBuffer* input, GeglBuffer* output,
                        const GeglRectangle* result, gint level) {
  GeglProperties* o = GEGL_PROPERTIES(operation);
  const Babl* format = babl_format(kRgbaFormat);
  GeglRectangle whole = input_bounds(operation);
  gsize bytes = (gsize)whole.width * (gsize)whole.height * 4;
  guchar* pixels;
  guchar* made;
  char* message = NULL;
  MorfelRequest request;

  (void)level;
  if (whole.width <= 0 || whole.height <= 0) return TRUE;
  if (gegl_rectangle_is_infinite_plane(&whole) ||
      (gint64)whole.width * whole.height > kMorfelGeglMaxPixels) {
    report(gegl_rectangle_is_infinite_plane(&whole)
               ? "the input has no bounds: crop it to the picture to run a program on it"
               : "the input has more pixels than a program can run on (715827882)");
    gegl_buffer_copy(input, result, GEGL_ABYSS_NONE, output, result);
    return TRUE;
  }
  pixels = g_try_malloc(bytes);
  made = g_try_malloc(bytes);
  if (pixels == NULL || made == NULL) {
    report("not enough memory for the picture");
    g_free(pixels);
    g_free(made);
    gegl_buffer_copy(input, &whole, GEGL_ABYSS_NONE, output, &whole);
    return TRUE;
  }
  gegl_buffer_get(input, &whole, 1.0, format, pixels, GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);

  request.program = o->program;
  request.init = o->init;
  request.transform = o->transform;
  request.params = o->params;
  request.interpolation = (int)o->interpolation;
  request.base = o->base;
  request.threads = o->threads;
  if (morfel_gegl_run(&request, whole.width, whole.height, pixels, made, &message)) {
    if (message != NULL) g_log("GEGL", G_LOG_LEVEL_MESSAGE, "morfel:apply: %s", message);
    morfel_gegl_free(message);
    gegl_buffer_set(output, &whole, 0, format, made, GEGL_AUTO_ROWSTRIDE);
  } else {
    report(message != NULL ? message : "not enough memory for the message");
    morfel_gegl_free(message);
    gegl_buffer_set(output, &whole, 0, format, pixels, GEGL_AUTO_ROWSTRIDE);
  }
  g_free(pixels);
  g_free(made);
  return TRUE;
}

static void gegl_op_class_init(GeglOpClass* klass) {
  GeglOperationClass* operation_class = GEGL_OPERATION_CLASS(klass);
  GeglOperationFilterClass* filter_class = GEGL_OPERATION_FILTER_CLASS(klass);

  operation_class->prepare = prepare;
  operation_class->get_bounding_box = get_bounding_box;
  operation_class->get_required_for_output = get_required_for_output;
  operation_class->get_invalidated_by_change = get_invalidated_by_change;
  operation_class->get_cached_region = get_cached_region;
  /* One run over the whole picture: never split into tiles or threads. */
  operation_class->threaded = FALSE;
  operation_class->want_in_place = FALSE;
  filter_class->process = process;

  gegl_operation_class_set_keys(operation_class, "name", "morfel:apply", "title",
                                _("Morfel program"), "categories", "generic", "description",
                                _("Runs a program of the Morfel library (or given Init and "
                                  "Transform texts) on the whole picture, with its parameters"),
                                NULL);
}

#endif
