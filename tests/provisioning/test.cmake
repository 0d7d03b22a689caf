# Model downloads and engine installs run against loopback servers and
# fixture folders; the table test reads Debian's installed model package.
# The distribution tests install from the build's own engine archive.
add_dependencies(${target} quorvane_engine_archive quorvane_setup_script)
