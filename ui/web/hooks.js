// The module's JavaScript hooks: each passes one call of Page.h on to the page object that
// main.js hands to the module, with texts decoded from UTF-8 and pixels viewed where they lie in
// the module's memory. The heap is reached here, inside the module, because the module object
// does not hand it out the same way in every Emscripten version.
(typeof addToLibrary === 'function' ? addToLibrary : (l) => mergeInto(LibraryManager.library, l))({
  pomuran_create: function (kind, parent, x, y, w, h, text, len) {
    return Module['page'].create(kind, parent, x, y, w, h, UTF8ToString(text, len));
  },
  pomuran_place: function (element, x, y, w, h) {
    Module['page'].place(element, x, y, w, h);
  },
  pomuran_attribute: function (element, name, namelen, value, valuelen) {
    Module['page'].attribute(element, UTF8ToString(name, namelen), UTF8ToString(value, valuelen));
  },
  pomuran_style: function (element, property, propertylen, value, valuelen) {
    const [name, to] = [UTF8ToString(property, propertylen), UTF8ToString(value, valuelen)];
    Module['page'].style(element, name, to);
  },
  pomuran_spoken: function (element, text, len) {
    Module['page'].spoken(element, UTF8ToString(text, len));
  },
  pomuran_describe: function (element, text, len) {
    Module['page'].describe(element, UTF8ToString(text, len));
  },
  pomuran_labelfor: function (label, control) {
    Module['page'].labelfor(label, control);
  },
  pomuran_enable: function (element, on) {
    Module['page'].enable(element, on !== 0);
  },
  pomuran_append: function (list, text, len) {
    Module['page'].append(list, UTF8ToString(text, len));
  },
  pomuran_choose: function (list, index) {
    Module['page'].choose(list, index);
  },
  pomuran_raise: function (element) {
    Module['page'].raise(element);
  },
  pomuran_show: function (canvas, rgba, width, height) {
    const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    Module['page'].show(canvas, pixels, width, height);
  },
  pomuran_settimer: function (periodms) {
    Module['page'].settimer(periodms);
  },
  pomuran_focus: function (element) {
    Module['page'].focus(element);
  },
  pomuran_announce: function (text, len) {
    Module['page'].announce(UTF8ToString(text, len));
  },
  pomuran_inkfits: function (element, pixels) {
    return Module['page'].inkfits(element, pixels) ? 1 : 0;
  },
});
