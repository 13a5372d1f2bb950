package mx.core
{
	/**
	 * Marks the classes behind [Embed] assets, so a program can tell an
	 * embedded asset from other objects of the same kind.
	 */
	public interface IFlexAsset
	{
	}
}
