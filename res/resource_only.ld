/* Lays out the resource library: one section, .rsrc, and nothing else. Everything
   else the linker is given is dropped, so the module has no code, no entry point, no
   imports and no exports, and a loader has nothing in it to run. ld's default script
   would add a .text section holding its constructor-list markers, and an import
   directory, even for an object with resources only. */
OUTPUT_FORMAT(pei-x86-64)
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .rsrc __image_base__ + ( __section_alignment__ < 0x1000 ? . : __section_alignment__ ) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  /DISCARD/ : { *(*) }
}
